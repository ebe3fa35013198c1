#include "chooser/interpreter_rows.hpp"

#include "core/text.hpp"

namespace vx::chooser {

std::vector<std::string> interpreter_rows(std::string_view run_dir,
                                          std::string_view search_output) {
    while (search_output.ends_with('\n')) {
        search_output.remove_suffix(1);
        if (search_output.ends_with('\r')) {
            search_output.remove_suffix(1);
        }
    }
    std::vector<std::string> rows{std::string(run_dir) + "/Py/bin/python"};
    for (std::string& line : vx::text::split_lines(search_output)) {
        if (line.find("WindowsApps") == std::string::npos) {
            rows.push_back(std::move(line));
        }
    }
    return rows;
}

std::string directory_of_row(std::string_view row_text) {
    for (std::string_view file : {std::string_view("python3"), std::string_view("python")}) {
        if (row_text.ends_with(file)) {
            return std::string(row_text.substr(0, row_text.size() - file.size()));
        }
    }
    return std::string(row_text);
}

std::string key_for_row(std::size_t index) {
    return "r" + sel_for_row(index);
}

std::string sel_for_row(std::size_t index) {
    return std::to_string(index + 1);
}

}  // namespace vx::chooser
