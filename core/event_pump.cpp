#include "core/event_pump.hpp"

#include <chrono>

namespace vx::core {

void EventPump::pump_wait(int milliseconds) const {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(milliseconds);
    if (!on_gui_thread()) {
        std::this_thread::sleep_until(deadline);
        return;
    }
    process_events_();
    while (clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        process_events_();
    }
}

}  // namespace vx::core
