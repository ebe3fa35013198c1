#include "core/startup.hpp"

#include "core/os_description.hpp"
#include "platform/files.hpp"
#include "platform/single_instance.hpp"

namespace vx::core {

std::string default_py_dir(const std::string& run_dir) {
    return run_dir + "/Py/bin/";
}

std::string normalise_active_slot(const ConfigFile& config, const std::string& run_dir) {
    config.write_config_value("r1", default_py_dir(run_dir));
    std::string slot = config.read_config_value("sel");
    if (slot.empty() || slot == "0") {
        slot = "1";
        config.write_config_value("sel", slot);
    }
    return slot;
}

bool check_py_directory(const std::string& run_dir) {
    const std::string py = run_dir + "/Py";
    return platform::is_executable_file(py + "/bin/python") &&
           (platform::path_exists(py + "/pyvenv.cfg") ||
            platform::any_entry_matches(py + "/lib", "python3.*"));
}

void init_mirror_display(Context& context) {
    AppState& state = context.state;
    state.current_mirror_name = context.config.read_config_value("n0");
    state.current_mirror_url = context.config.read_config_value("y0");
    context.view.set_mirror_choice(state.current_mirror_name);
    context.view.set_status(StatusPane::mirror, "pip " + state.current_mirror_name);
}

StartupOutcome on_main_window_created(Context& context, platform::SingleInstanceLock& instance) {
    if (!instance.acquire(std::string(single_instance_name))) {
        return StartupOutcome::another_copy_running;
    }
    MainView& view = context.view;
    AppState& state = context.state;
    view.hide_info_panel();
    view.lock_interface();
    state.os_description = os_description();

    state.active_slot = normalise_active_slot(context.config, state.run_dir());
    // Slot 1 is the default folder, which r1 was just set to; read back, it
    // would be lost with a Config.ini that cannot be written (read-only, a
    // folder), and a working Py would count as missing.
    state.py_dir = state.active_slot == "1"
                       ? default_py_dir(state.run_dir())
                       : context.config.read_config_value("r" + state.active_slot);
    if (state.active_slot == "1" && !check_py_directory(state.run_dir())) {
        view.show_environment_error(std::string(py_directory_message));
        return StartupOutcome::py_directory_faulty;
    }
    view.set_caption(std::string(program_caption) + " - " + state.py_dir);
    view.set_status(StatusPane::message, " 初始化 ...");
    view.set_status(StatusPane::system, state.os_description);
    init_mirror_display(context);
    return StartupOutcome::ready;
}

}  // namespace vx::core
