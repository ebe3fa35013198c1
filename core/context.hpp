#pragma once
// The services every operation works with, owned by the application and
// handed to the operations by reference. All of them outlive every worker.
#include "core/app_state.hpp"
#include "core/config_file.hpp"
#include "core/event_pump.hpp"
#include "core/main_view.hpp"
#include "core/shell_runner.hpp"

namespace vx::core {

struct Context {
    AppState& state;
    MainView& view;
    ShellRunner& runner;
    const ConfigFile& config;
    const EventPump& pump;
};

}  // namespace vx::core
