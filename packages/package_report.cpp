#include "packages/package_report.hpp"

#include <algorithm>

#include "core/text.hpp"

namespace vx::packages {
namespace {

// Replaces every CR LF by LF in place; a lone CR stays. One left-to-right
// pass, so "\r\r\n" becomes "\r\n": a CR before the break belongs to the line.
void normalise_line_breaks(std::string& text) {
    std::size_t out = 0;
    for (std::size_t in = 0; in < text.size(); ++in) {
        if (text[in] == '\r' && in + 1 < text.size() && text[in + 1] == '\n') {
            continue;
        }
        text[out++] = text[in];
    }
    text.resize(out);
}

// Bounds [begin, end) of the text kept after dropping the first line of
// [begin, end): from its line break on, then every break cut off the end and
// then off the start. Without a break only the cutting applies.
void drop_first_line(const std::string& text, std::size_t& begin, std::size_t& end) {
    const std::size_t at = text.find('\n', begin);
    if (at != std::string::npos && at < end) {
        begin = at;
    }
    while (end > begin && text[end - 1] == '\n') {
        --end;
    }
    while (begin < end && text[begin] == '\n') {
        ++begin;
    }
}

}  // namespace

std::size_t collapsed_run_length(std::size_t run_length, std::size_t passes) {
    // A pass turns n spaces into ceil(n / 2); from 1 on nothing changes, so at
    // most about log2(n) passes matter however many are asked for.
    for (; passes > 0 && run_length > 1; --passes) {
        run_length = (run_length + 1) / 2;
    }
    return run_length;
}

PackageReport fill_package_list(std::string& last_output) {
    const auto hyphens =
        static_cast<std::size_t>(std::count(last_output.begin(), last_output.end(), '-'));
    const std::size_t passes = hyphens / 2;

    normalise_line_breaks(last_output);

    // Column titles, then the dashed rule.
    std::size_t begin = 0;
    std::size_t end = last_output.size();
    drop_first_line(last_output, begin, end);
    drop_first_line(last_output, begin, end);

    // Runs of spaces never merge (a pass keeps at least one space of each
    // run), so each run shrinks on its own. Writing never overtakes reading.
    std::size_t out = 0;
    for (std::size_t in = begin; in < end;) {
        if (last_output[in] != ' ') {
            last_output[out++] = last_output[in++];
            continue;
        }
        std::size_t run_end = in;
        while (run_end < end && last_output[run_end] == ' ') {
            ++run_end;
        }
        const std::size_t kept = collapsed_run_length(run_end - in, passes);
        std::fill_n(last_output.begin() + static_cast<std::ptrdiff_t>(out), kept, ' ');
        out += kept;
        in = run_end;
    }
    last_output.resize(out);

    PackageReport report;
    report.installed_lines = vx::text::split(last_output, "\n");
    report.items.reserve(report.installed_lines.size());
    for (const std::string& line : report.installed_lines) {
        report.items.push_back(package_item_from_line(line));
    }
    return report;
}

PackageItem package_item_from_line(std::string_view line) {
    PackageItem item;
    const std::size_t first = line.find(' ');
    item.name = std::string(line.substr(0, first));
    if (first != std::string_view::npos) {
        const std::string_view rest = line.substr(first + 1);
        item.version = std::string(rest.substr(0, rest.find(' ')));
    }
    return item;
}

}  // namespace vx::packages
