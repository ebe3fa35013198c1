#include "packages/requirements.hpp"

#include "packages/operation_messages.hpp"
#include "packages/package_list.hpp"
#include "packages/package_names.hpp"
#include "platform/files.hpp"

#include <functional>

namespace vx::packages {
namespace {

std::optional<std::string> ask_for_file(core::Context& context, core::Prompter& prompter,
                                        core::FileDialogSettings::Kind kind, const char* title) {
    core::FileDialogSettings settings;
    settings.kind = kind;
    settings.title = title;
    settings.initial_folder = context.state.run_dir();
    return prompter.choose_file(settings);
}

struct ChangingRun {
    const char* title;
    const char* before;
    const char* after;
    const char* what;  // names the run in a failure sentence
    std::function<std::optional<std::string>(std::string_view)> command_for;
};

// Import and batch uninstall: lock, run, report, reload.
void run_changing_command(core::Context& context, core::Prompter& prompter,
                          const ChangingRun& run) {
    const auto path =
        ask_for_file(context, prompter, core::FileDialogSettings::Kind::open, run.title);
    if (!path) {
        return;
    }
    core::MainView& view = context.view;
    view.set_status(core::StatusPane::message, run.before);
    view.lock_interface();
    view.hide_info_panel();
    const auto command = run.command_for(*path);
    const core::CommandResult result =
        command ? context.runner.run(*command, context.state.py_dir) : core::CommandResult{};
    if (result.succeeded()) {
        view.set_status(core::StatusPane::message, run.after);
    } else {
        view.set_status(core::StatusPane::message, failure_sentence(run.what, true));
        view.show_failure(failure_headline(run.what), result.output);
    }
    load_installed_packages(context);
}

}  // namespace

void export_requirements(core::Context& context, core::Prompter& prompter) {
    const auto path =
        ask_for_file(context, prompter, core::FileDialogSettings::Kind::save, "导出 requirements");
    if (!path) {
        return;
    }
    core::MainView& view = context.view;
    view.set_status(core::StatusPane::message, " [Pip] 正在导出 requirements ...");

    // pip writes into a temporary file beside the chosen one, which replaces
    // it only when pip succeeded: a failed export never truncates a file.
    const auto temp = platform::make_temp_file_beside(*path);
    const auto command = temp ? freeze_command(*temp) : std::nullopt;
    core::CommandResult result =
        command ? context.runner.run(*command, context.state.py_dir) : core::CommandResult{};
    if (result.succeeded() && !platform::replace_file(*temp, *path)) {
        result.exit_status = -1;
        result.output += "\n无法写入 " + *path;
    }
    if (result.succeeded()) {
        view.set_status(core::StatusPane::message, " [Pip] 导出 requirements 完成 OK ...");
        return;
    }
    if (temp) {
        platform::remove_file(*temp);
    }
    const char* what = "[Pip] 导出 requirements";
    view.set_status(core::StatusPane::message, failure_sentence(what, false));
    view.show_failure(failure_headline(what), result.output);
}

void import_requirements(core::Context& context, core::Prompter& prompter) {
    run_changing_command(context, prompter,
                         {"导入 requirements", " [pip] 正在导入 [安装] requirements ...",
                          " [pip] 导入 [安装] requirements 完成 , 重新 加载 已安装包 ...",
                          "[pip] 导入 [安装] requirements", import_command});
}

void batch_uninstall(core::Context& context, core::Prompter& prompter) {
    run_changing_command(context, prompter,
                         {"选择 requirements 批量卸载.", " [Pip] 正在批量 [卸载] requirements ...",
                          " [Pip] 批量 [卸载] requirements 完成 , 重新 加载 已安装包 ...",
                          "[Pip] 批量 [卸载] requirements", batch_uninstall_command});
}

}  // namespace vx::packages
