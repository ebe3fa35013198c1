#include "packages/package_list.hpp"

#include "packages/package_report.hpp"

namespace vx::packages {
namespace {

// Replaces installed_lines and the list's entries with what the report holds.
void publish_report(core::Context& context, std::string& last_output) {
    PackageReport report = fill_package_list(last_output);
    context.state.set_installed_lines(std::move(report.installed_lines));
    context.view.show_packages(report.items);
}

}  // namespace

void show_installed_packages(core::Context& context, std::string last_output) {
    context.pump.pump_wait(100);
    publish_report(context, last_output);
    context.pump.pump_wait(200);
    context.view.set_status(core::StatusPane::message, " 加载 [已安装] 包 完成 OK ...");
    context.view.unlock_interface();
}

void load_installed_packages(core::Context& context) {
    std::string last_output = context.runner.run("python -m pip list", context.state.py_dir).output;
    context.pump.pump_wait(100);
    publish_report(context, last_output);
    context.view.set_status(core::StatusPane::message, " 重新 加载 [已安装] 包 完成 OK ...");
    context.view.unlock_interface();
}

}  // namespace vx::packages
