#include "packages/package_filter.hpp"

#include "core/text.hpp"

namespace vx::packages {

std::vector<PackageItem> filter_package_list(const std::vector<std::string>& installed_lines,
                                             std::string_view filter_text) {
    std::vector<PackageItem> shown;
    for (const std::string& line : installed_lines) {
        // Compare before building the item: most lines fail on a keystroke.
        const std::string_view name = std::string_view(line).substr(0, line.find(' '));
        if (filter_text.empty() || vx::text::starts_with_ignoring_case(name, filter_text)) {
            shown.push_back(package_item_from_line(line));
        }
    }
    return shown;
}

bool should_reset_list(std::string_view search_text, std::string_view filter_text) {
    return search_text.empty() && filter_text.empty();
}

}  // namespace vx::packages
