#pragma once
// The start-up of the main window, up to the point where the environment
// check takes over on its worker thread.
#include "core/context.hpp"

#include <string>

namespace vx::platform {
class SingleInstanceLock;
}

namespace vx::core {

inline constexpr std::string_view program_caption = "Verdanex";
inline constexpr std::string_view single_instance_name = "verdanex";
inline constexpr std::string_view py_directory_message =
    "Py 目录异常, 请关闭软件 先运行【Quillomar】\r\n或 设置其它Python目录";

enum class StartupOutcome {
    another_copy_running,  // the window must close at once; no file was touched
    py_directory_faulty,   // the Py message is shown; the interface stays locked
    ready,                 // the environment check may start
};

// The default Python directory, run_dir + "/Py/bin/".
std::string default_py_dir(const std::string& run_dir);

// Writes r1, makes an empty or "0" sel into "1" and returns the active slot.
std::string normalise_active_slot(const ConfigFile& config, const std::string& run_dir);

// True when run_dir/Py holds an interpreter and the rest of an environment.
bool check_py_directory(const std::string& run_dir);

// Steps up to the environment check: single copy, lock, Config.ini, caption,
// status panes 0 to 2. Showing the window is the caller's.
StartupOutcome on_main_window_created(Context& context, platform::SingleInstanceLock& instance);

// Reads n0 and y0, fills the mirror choice and status pane 2.
void init_mirror_display(Context& context);

}  // namespace vx::core
