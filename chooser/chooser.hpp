#pragma once
// The interpreter chooser's logic: what the window shows when it opens and
// what a choice writes to Config.ini.
#include <cstddef>
#include <string>
#include <vector>

#include "core/config_file.hpp"
#include "core/shell_runner.hpp"

namespace vx::chooser {

inline constexpr std::string_view chosen_message = "设置完成 点击 [确认] 退出软件, 重新打开";

struct ChooserContents {
    std::string current;            // the configured interpreter's full path
    std::vector<std::string> rows;  // row 0 is the program's own interpreter
};

// Writes r1, normalises sel, reads the configured directory and runs the
// interpreter search (on the calling thread; the runner keeps the window
// painting when that is the GUI thread).
ChooserContents open_chooser(const core::ConfigFile& config, const std::string& run_dir,
                             core::ShellRunner& runner);

// Stores row index as the active interpreter: "r" + (index + 1) and sel.
void choose_row(const core::ConfigFile& config, const std::vector<std::string>& rows,
                std::size_t index);

}  // namespace vx::chooser
