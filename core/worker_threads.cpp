#include "core/worker_threads.hpp"

namespace vx::core {

WorkerThreads::~WorkerThreads() {
    std::unique_lock lock(mutex_);
    for (Worker& worker : workers_) {
        if (worker.thread.joinable()) {
            // Still running at destruction: the program is going down without
            // waiting (see wait_all); detaching keeps std::terminate away.
            worker.thread.detach();
        }
    }
}

void WorkerThreads::start(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    reap_finished_locked();
    Worker& worker = workers_.emplace_back();
    worker.thread = std::thread([this, &worker, work = std::move(work)] {
        work();
        std::lock_guard done(mutex_);
        worker.finished = true;
        finished_.notify_all();
    });
}

bool WorkerThreads::wait_all(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const bool all_done = finished_.wait_for(lock, timeout, [this] {
        for (const Worker& worker : workers_) {
            if (!worker.finished)
                return false;
        }
        return true;
    });
    reap_finished_locked();
    return all_done;
}

std::size_t WorkerThreads::running() const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const Worker& worker : workers_) {
        count += worker.finished ? 0 : 1;
    }
    return count;
}

void WorkerThreads::reap_finished_locked() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->finished) {
            it->thread.join();  // returns at once: the work has ended
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace vx::core
