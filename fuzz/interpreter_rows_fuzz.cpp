// The interpreter search output on any bytes: no crash; the own interpreter
// is always row 0, every other row is one line of the output, and a stored
// directory is a prefix of its row.
//   input: output of the search \0 run directory
#include <string>
#include <string_view>
#include <vector>

#include "chooser/interpreter_rows.hpp"
#include "fuzz/fuzz_input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx::chooser;
    const vx::fuzz::FuzzInput input(data, size);
    const std::string_view output = input.text();
    const std::string_view run_dir = input.field(0, "/opt/verdanex");

    const std::vector<std::string> rows = interpreter_rows(run_dir, output);
    VX_FUZZ_CHECK(!rows.empty());
    VX_FUZZ_CHECK(rows[0] == std::string(run_dir) + "/Py/bin/python");
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string directory = directory_of_row(rows[i]);
        VX_FUZZ_CHECK(rows[i].starts_with(directory));
        if (i > 0) {
            VX_FUZZ_CHECK(rows[i].find('\n') == std::string::npos);
            VX_FUZZ_CHECK(rows[i].find("WindowsApps") == std::string::npos);
            VX_FUZZ_CHECK(output.find(rows[i]) != std::string_view::npos);
            bytes += rows[i].size();
        }
    }
    VX_FUZZ_CHECK(bytes <= output.size());
    return 0;
}
