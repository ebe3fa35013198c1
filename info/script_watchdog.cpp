#include "info/script_watchdog.hpp"

#include <QJSEngine>

#include <algorithm>

namespace vx::info {

std::shared_ptr<ScriptWatchdog> ScriptWatchdog::shared() {
    // Kept for the whole run so that short-lived documents do not start and
    // stop a thread each; engines hold their own reference, so a worker still
    // evaluating at exit keeps it alive.
    static const std::shared_ptr<ScriptWatchdog> watchdog = std::make_shared<ScriptWatchdog>();
    return watchdog;
}

ScriptWatchdog::ScriptWatchdog() : thread_([this] { run(); }) {}

ScriptWatchdog::~ScriptWatchdog() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

std::uint64_t ScriptWatchdog::arm(QJSEngine* engine, Clock::duration limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    bool sooner = false;
    std::uint64_t ticket = 0;
    {
        const std::lock_guard lock(mutex_);
        ticket = next_ticket_++;
        entries_.push_back({ticket, engine, deadline, false});
        sooner = deadline < sleeping_until_;
    }
    // Only a deadline before the one the thread sleeps towards needs a wake-up;
    // with equal limits that is the first evaluation after an idle spell.
    if (sooner) {
        wake_.notify_one();
    }
    return ticket;
}

bool ScriptWatchdog::disarm(std::uint64_t ticket) {
    const std::lock_guard lock(mutex_);
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [ticket](const Entry& e) { return e.ticket == ticket; });
    if (it == entries_.end()) {
        return false;
    }
    const bool fired = it->fired;
    entries_.erase(it);
    return fired;
}

void ScriptWatchdog::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const Clock::time_point now = Clock::now();
        Clock::time_point next = Clock::time_point::max();
        for (Entry& entry : entries_) {
            if (entry.fired) {
                continue;
            }
            if (entry.deadline <= now) {
                entry.engine->setInterrupted(true);  // thread-safe by contract
                entry.fired = true;
            } else {
                next = std::min(next, entry.deadline);
            }
        }
        sleeping_until_ = next;
        if (next == Clock::time_point::max()) {
            wake_.wait(lock);
        } else {
            wake_.wait_until(lock, next);
        }
    }
}

}  // namespace vx::info
