#pragma once
// The environment check that runs once on its own worker after start-up: the
// interpreter answers, pip has a per-user configuration, pip is present, the
// core packages are brought up to date when pip asks for it, and the first
// package report is handed to the list.
#include "core/context.hpp"

#include <functional>
#include <string>

namespace vx::core {

inline constexpr std::string_view python_missing_message =
    "Python was not found 【Python文件不存在】\r\n请 设置其它Python目录";
inline constexpr std::string_view pip_missing_message =
    "Pip 异常, 请关闭软件 先运行【Quillomar】\r\n或 设置其它Python目录";

// Receives the output of the last "python -m pip list"; fills the list and
// unlocks the interface.
using ShowInstalledPackages = std::function<void(std::string report)>;

// The worker's routine; holds the operation lock from start to end.
void env_check(Context& context, const ShowInstalledPackages& show_installed_packages);

// Called by env_check once the interpreter has answered.
void check_pip_and_load(Context& context, const ShowInstalledPackages& show_installed_packages);

// True when run_dir/Py holds pip's launcher and its package.
bool check_pip_files(const std::string& run_dir);

// The last non-empty line of a command's output.
std::string last_output_line(const std::string& output);

}  // namespace vx::core
