#pragma once
// Lets code that waits keep the window alive when it runs on the GUI thread.
#include <functional>
#include <thread>

namespace vx::core {

class EventPump {
public:
    EventPump() = default;
    EventPump(std::function<void()> process_events, std::thread::id gui_thread)
        : process_events_(std::move(process_events)), gui_thread_(gui_thread) {}

    bool on_gui_thread() const {
        return process_events_ && std::this_thread::get_id() == gui_thread_;
    }
    void process_pending() const {
        if (on_gui_thread()) {
            process_events_();
        }
    }

    // Waits milliseconds. On the GUI thread the window keeps processing its
    // events meanwhile; on a worker it is a plain sleep.
    void pump_wait(int milliseconds) const;

    const std::function<void()>& processor() const { return process_events_; }
    std::thread::id gui_thread() const { return gui_thread_; }

private:
    std::function<void()> process_events_;
    std::thread::id gui_thread_;
};

}  // namespace vx::core
