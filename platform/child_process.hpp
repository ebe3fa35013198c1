#pragma once
// One child process running "/bin/sh -c LINE": standard output and standard
// error on one pipe that this side reads, standard input from /dev/null, and a
// process group of its own so that the shell and everything it started can be
// ended together. Every descriptor is close-on-exec; the child is always
// reaped (at the latest by the destructor, which ends it first if needed).
//
// Thread use: one object belongs to one thread at a time. The registry of
// running process groups below is shared by all threads.
#include <chrono>
#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace vx::platform {

inline constexpr std::chrono::milliseconds termination_grace{500};

class ChildProcess {
public:
    enum class ReadStatus {
        data,     // bytes arrived
        waiting,  // the timeout passed with nothing to report
        ended,    // the shell has ended and every byte it wrote has been read
    };
    struct ReadResult {
        ReadStatus status = ReadStatus::waiting;
        std::size_t size = 0;  // bytes placed in the buffer with ReadStatus::data
    };

    // Starts the shell. nullptr when no process could be started (no pipe, no fork, no shell).
    static std::unique_ptr<ChildProcess> start_shell(const std::string& line,
                                                     const std::string& shell = "/bin/sh");

    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return pid_; }

    // Waits at most timeout_ms (negative: no limit) for output or for the end
    // of the shell, and reads what has arrived. After the shell has ended the
    // pipe is drained before ReadStatus::ended is reported, so nothing written
    // just before the end is lost. Output that descendants write after the
    // shell has ended and the pipe has run dry is not waited for. When a
    // signal ended the shell, whatever still holds the pipe is ended with
    // the group: an interrupted command leaves no process behind.
    ReadResult read_some(std::span<char> buffer, int timeout_ms);

    // Ends the whole process group (SIGTERM, a grace period, SIGKILL) and reaps the shell.
    void terminate();

    // Reaps the shell, waiting for it when needed. The exit code, or 128 +
    // the signal number when a signal ended it.
    int wait();

private:
    ChildProcess(int pid, int output_fd);
    bool try_reap(bool block);
    // SIGTERM to the group, a grace period, SIGKILL; the shell is not reaped.
    void end_group();
    // Some process other than the ended shell still has the pipe's write end.
    bool pipe_still_held() const;

    int pid_ = -1;
    int output_fd_ = -1;
    int pid_fd_ = -1;  // readable once the shell has ended; -1 when the kernel offers none
    bool pipe_closed_ = false;
    bool reaped_ = false;
    int exit_status_ = -1;
};

// True while `group_id` is the process group of a shell started above that
// has not been reaped yet: it and its members belong to this program.
bool is_running_child_group(int group_id);

enum class SignalTarget { none, process, group };

// Sends `signal` to the whole group when `group_id` (the group of `pid`) is
// the group of a running child, else to `pid` alone. Checked and sent under
// the registry's lock, so a group is never signalled after its shell was
// reaped. Returns what was signalled; none when the signal could not be sent.
SignalTarget signal_process_or_its_group(int pid, int group_id, int signal);

}  // namespace vx::platform
