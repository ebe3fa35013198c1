#include "packages/mirror.hpp"

#include "packages/operation_messages.hpp"
#include "packages/package_names.hpp"

namespace vx::packages {

void select_mirror(core::Context& context, core::Prompter& prompter, int number) {
    const std::string index = std::to_string(number);
    const std::string name = context.config.read_config_value("n" + index);
    const std::string address = context.config.read_config_value("y" + index);
    const auto command = set_index_url_command(address);
    if (!command) {
        // An address that is no http(s) URL never reaches pip or Config.ini.
        prompter.inform(std::string(invalid_mirror_message) + "\n" + address);
        return;
    }
    const std::string shown = "[当前]" + name;
    context.config.write_config_value("n0", shown);
    context.config.write_config_value("y0", address);
    context.state.current_mirror_name = shown;
    context.state.current_mirror_url = address;
    context.view.set_status(core::StatusPane::mirror, "pip " + shown);

    const core::CommandResult result = context.runner.run(*command, context.state.py_dir);
    if (!result.succeeded()) {
        const std::string what = "设置 Pip 源 " + name;
        context.view.set_status(core::StatusPane::message, failure_sentence(what, false));
        context.view.show_failure(failure_headline(what), result.output);
    }
}

}  // namespace vx::packages
