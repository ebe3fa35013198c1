#include "packages/package_actions.hpp"

#include "core/text.hpp"
#include "packages/operation_messages.hpp"
#include "packages/package_list.hpp"
#include "packages/package_names.hpp"

#include <mutex>

namespace vx::packages {

std::optional<std::string> install_prompt(const PackageChoice& choice,
                                          const std::string& installed_version,
                                          const std::string& latest_version) {
    std::string prompt;
    if (choice.action_word == "更新") {
        prompt = installed_version == latest_version ? "[已是最新版]  确认还要继续吗?  "
                                                     : "点击 [确认] 开始 ";
    } else if (choice.action_word == "安装") {
        prompt = "点击 [确认] 开始 ";
    } else {
        return std::nullopt;
    }
    return prompt + choice.action_word + " " + choice.name + " 版本: " + choice.version;
}

std::string uninstall_prompt(const std::string& name, const std::string& installed_version) {
    return "确认卸载吗?  删除 " + name + " 版本: " + installed_version;
}

std::optional<std::string> refusal_of(const PackageChoice& choice, bool needs_version) {
    if (!is_valid_package_name(choice.name)) {
        return std::string(invalid_name_message);
    }
    if (needs_version && !is_valid_version_text(choice.version)) {
        return std::string(invalid_version_message);
    }
    return std::nullopt;
}

void install_package(core::Context& context, const PackageChoice& choice) {
    std::lock_guard operation(context.state.operation_lock);
    core::MainView& view = context.view;
    const std::string& action = choice.action_word;
    context.pump.pump_wait(100);
    view.set_status(core::StatusPane::message, " 开始 " + action + " " + choice.name + " 包 ...");
    view.set_install_enabled(false);
    view.set_uninstall_enabled(false);
    view.lock_interface();

    const auto command = install_command(choice.name, choice.version, action != "安装");
    const core::CommandResult result =
        command ? context.runner.run(*command, context.state.py_dir) : core::CommandResult{};
    context.pump.pump_wait(100);

    const std::string what = action + " " + choice.name + " 包";
    if (result.succeeded()) {
        view.set_status(core::StatusPane::message, " " + what + " 完成 , 重新 加载 已安装包 ...");
    } else {
        view.set_status(core::StatusPane::message, failure_sentence(what, true));
        view.show_failure(failure_headline(what), result.output);
    }
    view.clear_search_boxes();
    view.hide_info_panel();
    view.set_install_enabled(true);
    view.set_uninstall_enabled(true);
    load_installed_packages(context);
}

void uninstall_package(core::Context& context, const PackageChoice& choice) {
    std::lock_guard operation(context.state.operation_lock);
    core::MainView& view = context.view;
    view.set_status(core::StatusPane::message, " 开始 卸载 " + choice.name + " 包 ...");
    view.set_uninstall_enabled(false);
    view.lock_interface();

    const auto command = uninstall_command(choice.name);
    const core::CommandResult result =
        command ? context.runner.run(*command, context.state.py_dir) : core::CommandResult{};
    context.pump.pump_wait(100);

    const std::string what = "卸载 " + choice.name + " 包";
    if (result.succeeded()) {
        view.set_status(core::StatusPane::message, " " + what + " 完成 , 重新 加载 已安装包 ...");
    } else {
        view.set_status(core::StatusPane::message, failure_sentence(what, true));
        view.show_failure(failure_headline(what), result.output);
    }
    context.pump.pump_wait(100);
    view.clear_search_boxes();
    context.pump.pump_wait(100);
    view.hide_info_panel();
    view.set_uninstall_enabled(true);
    load_installed_packages(context);
}

}  // namespace vx::packages
