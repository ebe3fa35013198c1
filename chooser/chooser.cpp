#include "chooser/chooser.hpp"

#include "chooser/interpreter_rows.hpp"
#include "core/startup.hpp"

namespace vx::chooser {

ChooserContents open_chooser(const core::ConfigFile& config, const std::string& run_dir,
                             core::ShellRunner& runner) {
    ChooserContents contents;
    const std::string slot = core::normalise_active_slot(config, run_dir);
    contents.current = config.read_config_value("r" + slot) + "python";
    const core::CommandResult search = runner.run_here(interpreter_search_command);
    contents.rows = interpreter_rows(run_dir, search.output);
    return contents;
}

void choose_row(const core::ConfigFile& config, const std::vector<std::string>& rows,
                std::size_t index) {
    if (index >= rows.size()) {
        return;
    }
    config.write_config_value(key_for_row(index), directory_of_row(rows[index]));
    config.write_config_value("sel", sel_for_row(index));
}

}  // namespace vx::chooser
