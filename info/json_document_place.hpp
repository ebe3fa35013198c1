#pragma once
// Shared by the files that implement JsonDocument; not for other callers.
#include <string>
#include <string_view>

#include "info/json_document.hpp"
#include "info/json_tree_reads.hpp"

namespace vx::info {

struct JsonDocument::Place {
    std::string path;      // the resolved path
    bool exists = false;   // a value other than null or undefined is there
    bool in_tree = false;  // read holds the value there (the root is still a tree)
    TreeRead read;
};

// True when text is JSON data (text that is not UTF-8 is read as the engine
// would read it); only such text is handed to the engine's JSON.parse.
bool is_json_data(std::string_view text);

}  // namespace vx::info
