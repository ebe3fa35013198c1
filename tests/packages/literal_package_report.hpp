#pragma once
// The package-report reduction carried out step by step as the list's rule
// reads, every collapsing pass over the whole text, on CR LF line breaks.
// Deliberately slow: tests and the benchmark hold the product against it.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.hpp"
#include "packages/package_report.hpp"

namespace vx::packages::literal {

// The same text with every line break written as CR LF: an LF gets a CR in
// front of it unless it already has one.
inline std::string to_crlf(std::string_view text) {
    std::string result;
    result.reserve(text.size() + text.size() / 8);
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\n' && (at == 0 || text[at - 1] != '\r')) {
            result += '\r';
        }
        result += text[at];
    }
    return result;
}

// last_output must use CR LF line breaks (see to_crlf).
inline PackageReport fill_package_list(std::string& last_output) {
    using vx::text::crlf;
    const std::size_t passes = vx::text::count_occurrences(last_output, "-") / 2;
    for (int drop = 0; drop < 2; ++drop) {
        const std::size_t at = last_output.find(crlf);
        if (at != std::string::npos) {
            last_output = last_output.substr(at);
        }
        vx::text::trim_affix(last_output, crlf);
    }
    for (std::size_t pass = 0; pass < passes; ++pass) {
        last_output = vx::text::replace_all(last_output, "  ", " ");
    }
    PackageReport report;
    report.installed_lines = vx::text::split(last_output, crlf);
    for (const std::string& line : report.installed_lines) {
        const std::vector<std::string> fields = vx::text::split(line, " ");
        report.items.push_back({fields.size() > 0 ? fields[0] : std::string(),
                                fields.size() > 1 ? fields[1] : std::string()});
    }
    return report;
}

}  // namespace vx::packages::literal
