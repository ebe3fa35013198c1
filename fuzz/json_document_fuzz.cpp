// The JSON data parse and the path reads of a document on any reply text: no
// crash, never a script run, and every read from the C++ tree gives what the
// script engine gives once the value is handed to it.
//   input: JSON text \0 path
#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.hpp"
#include "info/json_document.hpp"

namespace {

using vx::info::JsonDocument;

// Paths the package lookup reads, and last one that needs the engine's own
// methods; the input's path goes first. (Each read costs an engine evaluation
// on the engine side, so the list stays short.)
constexpr std::string_view fixed_paths[] = {
    "",
    "['info']['version']",
    "['info']['requires_dist']",
    "['urls'][0]['upload_time']",
    "info.length",
};

// A path from the input keeps only the characters of member and index access,
// so that it stays a read: without parentheses, operators or backquotes no
// script can call anything. (Paths are the program's own text, never a
// reply's; this one only widens what the reads are tried on.)
std::string path_from(std::string_view field) {
    std::string path;
    for (const char c : field.substr(0, 200)) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::string_view("_$.[]'\" ").find(c) != std::string_view::npos || byte >= 0x80) {
            path += c;
        }
    }
    return path;
}

// Reads that the tree answers by itself unless the path needs the engine.
std::vector<std::string> tree_reads(JsonDocument& document, std::string_view path) {
    std::vector<std::string> reads;
    reads.push_back(document.get_text(path));
    reads.push_back(document.get_text(path, true));
    reads.push_back(document.exists(path) ? "exists" : "missing");
    reads.push_back(std::to_string(document.value_type(path)));
    reads.push_back(std::to_string(document.array_count(path)));
    std::vector<std::string> names;
    document.member_names(names, path);
    reads.insert(reads.end(), names.begin(), names.end());
    reads.push_back(std::to_string(names.size()));
    reads.push_back(document.get_item_text(0, path));
    reads.push_back(document.get_item_text(1, path, true));
    return reads;
}

// Reads that hand a string or container value to the engine.
std::vector<std::string> engine_reads(JsonDocument& document, std::string_view path) {
    std::vector<std::string> reads;
    for (const bool recursive : {false, true}) {
        std::vector<std::string> values;
        document.leaf_values(values, path, recursive);
        reads.insert(reads.end(), values.begin(), values.end());
        reads.push_back(std::to_string(values.size()));
    }
    char number[40];
    std::snprintf(number, sizeof number, "%.17g", document.get_number(path));
    reads.push_back(number);
    return reads;
}

using Reads = std::vector<std::string> (*)(JsonDocument&, std::string_view);

void print_reads(const char* side, const std::vector<std::string>& reads) {
    std::fprintf(stderr, "%s:", side);
    for (const std::string& read : reads) {
        std::fprintf(stderr, " [%s]", read.c_str());
    }
    std::fprintf(stderr, "\n");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Documents need an application object; it lives for the whole run.
    static QCoreApplication* application = new QCoreApplication(*argc, *argv);
    (void)application;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vx::fuzz::FuzzInput input(data, size);
    const std::string_view text = input.text();
    std::vector<std::string> paths;
    if (const std::string_view field = input.field(0, {}); !field.empty()) {
        paths.push_back(path_from(field));
    }
    paths.insert(paths.end(), std::begin(fixed_paths), std::end(fixed_paths));

    JsonDocument tree;
    vx::info::ScriptError error;
    const bool parsed = tree.parse_data(text, &error);
    VX_FUZZ_CHECK(parsed || error.Number == vx::info::ScriptError::not_json ||
                  tree.get_text("", true) == "null");
    if (!parsed) {
        for (const std::string& path : paths) {
            tree_reads(tree, path);
            engine_reads(tree, path);
        }
        return 0;
    }

    JsonDocument engine;
    VX_FUZZ_CHECK(engine.parse_data(text));
    VX_FUZZ_CHECK(engine.engine() != nullptr);  // reads answer from the engine from here on
    VX_FUZZ_CHECK(tree.to_json() == engine.to_json());
    // Once a read has handed the tree over, the tree side answers from the
    // engine too: the reads that need it come last.
    for (const Reads reads : {&tree_reads, &engine_reads}) {
        for (const std::string& path : paths) {
            const std::vector<std::string> from_tree = reads(tree, path);
            const std::vector<std::string> from_engine = reads(engine, path);
            if (from_tree != from_engine) {
                std::fprintf(stderr, "path: [%s]\n", path.c_str());
                print_reads("tree", from_tree);
                print_reads("engine", from_engine);
            }
            VX_FUZZ_CHECK(from_tree == from_engine);
        }
    }
    return 0;
}
