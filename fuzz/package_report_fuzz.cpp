// The package report on any pip output: no crash; the lines, items and the
// reduced text agree with each other; and on small texts the result is the
// step-by-step rule's result.
//   input: the output of "python -m pip list"
#include <string>

#include "core/text.hpp"
#include "fuzz/fuzz_input.hpp"
#include "packages/package_report.hpp"
#include "tests/packages/literal_package_report.hpp"

namespace {

// The literal rule runs every pass over the whole text: quadratic, so only
// texts this short are held against it.
constexpr std::size_t literal_limit = 2048;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx::packages;
    const std::string output(reinterpret_cast<const char*>(data), size);

    std::string reduced = output;
    const PackageReport report = fill_package_list(reduced);
    VX_FUZZ_CHECK(reduced.size() <= output.size());
    VX_FUZZ_CHECK(report.items.size() == report.installed_lines.size());
    std::string joined;
    for (std::size_t i = 0; i < report.installed_lines.size(); ++i) {
        const std::string& line = report.installed_lines[i];
        VX_FUZZ_CHECK(line.find('\n') == std::string::npos);
        VX_FUZZ_CHECK(report.items[i] == package_item_from_line(line));
        joined += (i > 0 ? "\n" : "") + line;
    }
    VX_FUZZ_CHECK(joined == reduced);

    if (size <= literal_limit) {
        std::string literal_text = literal::to_crlf(output);
        const PackageReport expected = literal::fill_package_list(literal_text);
        VX_FUZZ_CHECK(report.installed_lines == expected.installed_lines);
        VX_FUZZ_CHECK(report.items == expected.items);
        VX_FUZZ_CHECK(reduced == vx::text::replace_all(literal_text, "\r\n", "\n"));
    }
    return 0;
}
