#pragma once
// The worker threads of the window's operations. Each operation runs on a
// thread of its own, as soon as it is started; the threads are joined when the
// program ends so that none of them outlives the state it works on.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace vx::core {

class WorkerThreads {
public:
    WorkerThreads() = default;
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    void start(std::function<void()> work);

    // Waits until every worker has ended or the timeout has passed; true when
    // none is left running.
    bool wait_all(std::chrono::milliseconds timeout);

    std::size_t running() const;

private:
    struct Worker {
        std::thread thread;
        bool finished = false;
    };
    void reap_finished_locked();

    mutable std::mutex mutex_;
    std::condition_variable finished_;
    std::list<Worker> workers_;
};

}  // namespace vx::core
