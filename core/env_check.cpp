#include "core/env_check.hpp"

#include "core/pip_config.hpp"
#include "core/text.hpp"
#include "platform/files.hpp"

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

namespace vx::core {
namespace {

void sleep_ms(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Puts a stage's announcement into the message pane and gives the user a
// moment to read it.
void set_status(Context& context, const std::string& text) {
    context.view.set_status(StatusPane::message, text);
    sleep_ms(100);
}

CommandResult run_in_py_dir(Context& context, std::string_view command) {
    return context.runner.run(command, context.state.py_dir);
}

}  // namespace

std::string last_output_line(const std::string& output) {
    const auto lines = text::split_lines(output);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (!text::trim(*line).empty()) {
            return *line;
        }
    }
    return {};
}

bool check_pip_files(const std::string& run_dir) {
    const std::string py = run_dir + "/Py";
    if (!platform::path_exists(py + "/bin/pip")) {
        return false;
    }
    std::error_code error;
    for (std::filesystem::directory_iterator it(py + "/lib", error), end; !error && it != end;
         it.increment(error)) {
        const std::string folder = it->path().filename().string();
        if (folder.starts_with("python3.") &&
            platform::path_exists(it->path().string() + "/site-packages/pip/__init__.py")) {
            return true;
        }
    }
    return false;
}

void env_check(Context& context, const ShowInstalledPackages& show_installed_packages) {
    std::lock_guard operation(context.state.operation_lock);
    sleep_ms(100);
    context.view.set_status(StatusPane::message, " 获取 Python 解释器 版本 ...");
    sleep_ms(200);

    const CommandResult version = run_in_py_dir(context, "python -V");
    // An interpreter that fails to answer is as good as a missing one: its
    // words must not reach the package list.
    if (text::count_occurrences(version.output, "not found") == 0 && version.succeeded()) {
        context.view.set_status(StatusPane::interpreter, version.output);
        check_pip_and_load(context, show_installed_packages);
        sleep_ms(100);
    } else {
        context.view.show_environment_error(std::string(python_missing_message));
    }
}

void check_pip_and_load(Context& context, const ShowInstalledPackages& show_installed_packages) {
    seed_pip_config(context.config.read_config_value("y2"));

    std::string announcement = " 开始加载 [已安装] 包 ...";
    if (context.state.active_slot == "1") {
        context.view.set_status(StatusPane::message, " 检查 pip 包管理工具 ...");
        sleep_ms(100);
        if (!check_pip_files(context.state.run_dir())) {
            context.view.show_environment_error(std::string(pip_missing_message));
            return;
        }
        announcement = " 检查 pip 包管理工具 正常 √ , 开始加载 [已安装] 包 ...";
    }
    set_status(context, announcement);
    CommandResult report = run_in_py_dir(context, "python -m pip list");
    sleep_ms(100);

    if (text::count_occurrences(report.output, "upgrade pip") >= 1) {
        for (const char* package : {"pip", "setuptools", "wheel"}) {
            set_status(context, std::string(" [更新核心] - 更新 ") + package + " 到最新 ...");
            run_in_py_dir(context, std::string("python -m pip install --upgrade ") + package);
        }
    }
    sleep_ms(100);
    report = run_in_py_dir(context, "python -m pip list");
    sleep_ms(100);

    // pip's own error words ("No module named pip") are no package list.
    if (!report.succeeded()) {
        context.view.show_environment_error(std::string(pip_missing_message) + "\r\n" +
                                            last_output_line(report.output));
        return;
    }
    show_installed_packages(std::move(report.output));
}

}  // namespace vx::core
