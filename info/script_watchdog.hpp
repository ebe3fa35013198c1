#pragma once
// Bounds the time of script evaluations. One timer thread serves every
// engine of the process: an evaluation arms a ticket before it runs and
// disarms it afterwards; when a ticket outlives its limit the thread calls
// QJSEngine::setInterrupted(true), which stops a running script within a
// millisecond or so. The owner of the engine resets the flag after disarming.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QJSEngine;

namespace vx::info {

class ScriptWatchdog {
public:
    using Clock = std::chrono::steady_clock;

    // The process-wide watchdog; its thread starts on first use and ends
    // with the last reference.
    static std::shared_ptr<ScriptWatchdog> shared();

    ScriptWatchdog();
    ~ScriptWatchdog();
    ScriptWatchdog(const ScriptWatchdog&) = delete;
    ScriptWatchdog& operator=(const ScriptWatchdog&) = delete;

    // engine is interrupted if the ticket is still armed after limit.
    std::uint64_t arm(QJSEngine* engine, Clock::duration limit);

    // True when the engine was interrupted for this ticket. After disarm the
    // watchdog no longer touches the engine.
    bool disarm(std::uint64_t ticket);

private:
    struct Entry {
        std::uint64_t ticket;
        QJSEngine* engine;
        Clock::time_point deadline;
        bool fired;
    };

    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Entry> entries_;
    Clock::time_point sleeping_until_ = Clock::time_point::max();
    std::uint64_t next_ticket_ = 1;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace vx::info
