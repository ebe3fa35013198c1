#include "platform/child_process.hpp"

#include "platform/process_table.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace vx::platform {
namespace {

// Without a pid descriptor the end of the shell is noticed by asking for it
// this often.
constexpr int exit_check_interval_ms = 20;

constexpr int pipe_size = 1 << 20;

struct GroupRegistry {
    std::mutex mutex;
    std::set<int> groups;
};

GroupRegistry& registry() {
    static GroupRegistry instance;
    return instance;
}

void unregister_group(int group_id) {
    std::lock_guard lock(registry().mutex);
    registry().groups.erase(group_id);
}

int open_pid_fd(int pid) {
#ifdef SYS_pidfd_open
    // The kernel makes it close-on-exec.
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

int exit_status_of(int wait_status) {
    if (WIFEXITED(wait_status)) {
        return WEXITSTATUS(wait_status);
    }
    if (WIFSIGNALED(wait_status)) {
        return 128 + WTERMSIG(wait_status);
    }
    return -1;
}

// Owns the spawn attributes for the length of one start.
class SpawnSetup {
public:
    explicit SpawnSetup(int write_fd) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions_, write_fd, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions_, write_fd, STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        // Our own descriptors are close-on-exec; this also catches any that a
        // library opened without the flag.
        posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
#endif
        posix_spawnattr_init(&attributes_);
        sigset_t no_signals;
        sigemptyset(&no_signals);
        sigset_t all_signals;
        sigfillset(&all_signals);
        posix_spawnattr_setsigmask(&attributes_, &no_signals);
        posix_spawnattr_setsigdefault(&attributes_, &all_signals);
        posix_spawnattr_setpgroup(&attributes_, 0);
        posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    const posix_spawn_file_actions_t* actions() const {
        return &actions_;
    }
    const posix_spawnattr_t* attributes() const {
        return &attributes_;
    }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::start_shell(const std::string& line,
                                                        const std::string& shell) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return nullptr;
    }
    // Only our end is non-blocking; the child's output must block as usual.
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    // A bigger pipe lets a chatty child run ahead with fewer switches; where
    // the system refuses, the default size does.
    fcntl(fds[0], F_SETPIPE_SZ, pipe_size);

    int pid = -1;
    int spawn_error = 0;
    {
        SpawnSetup setup(fds[1]);
        std::string name = "sh";
        std::string option = "-c";
        std::string command = line;
        char* argv[] = {name.data(), option.data(), command.data(), nullptr};
        // Registered under the same lock that signalling takes, so the group is
        // known from the moment it exists.
        std::lock_guard lock(registry().mutex);
        pid_t spawned = -1;
        spawn_error = posix_spawn(&spawned, shell.c_str(), setup.actions(), setup.attributes(),
                                  argv, environ);
        if (spawn_error == 0) {
            pid = spawned;
            registry().groups.insert(pid);
        }
    }
    // The pipe breaks once the child and everything it started have ended.
    close(fds[1]);
    if (spawn_error != 0) {
        close(fds[0]);
        return nullptr;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, fds[0]));
}

ChildProcess::ChildProcess(int pid, int output_fd)
    : pid_(pid), output_fd_(output_fd), pid_fd_(open_pid_fd(pid)) {}

ChildProcess::~ChildProcess() {
    if (!reaped_) {
        terminate();
    }
    if (output_fd_ >= 0) {
        close(output_fd_);
    }
    if (pid_fd_ >= 0) {
        close(pid_fd_);
    }
}

ChildProcess::ReadResult ChildProcess::read_some(std::span<char> buffer, int timeout_ms) {
    // One read of the pipe: data, nothing for now (nullopt), or the pipe is done.
    auto read_pipe = [&]() -> std::optional<std::size_t> {
        ssize_t count = 0;
        do {
            count = read(output_fd_, buffer.data(), buffer.size());
        } while (count < 0 && errno == EINTR);
        if (count > 0) {
            return static_cast<std::size_t>(count);
        }
        if (count == 0 || errno != EAGAIN) {
            pipe_closed_ = true;
            return 0;
        }
        return std::nullopt;
    };

    if (reaped_) {
        // Drain what the shell left; a descendant that keeps the pipe open
        // but writes nothing more does not hold the run up.
        if (!pipe_closed_) {
            std::optional<std::size_t> count = read_pipe();
            if (count && *count > 0) {
                return {ReadStatus::data, *count};
            }
            pipe_closed_ = true;
        }
        return {ReadStatus::ended, 0};
    }

    // While output flows, read without asking poll first.
    if (!pipe_closed_) {
        std::optional<std::size_t> count = read_pipe();
        if (count && *count > 0) {
            return {ReadStatus::data, *count};
        }
    }

    pollfd fds[2];
    nfds_t watched = 0;
    int pipe_index = -1;
    int pid_index = -1;
    if (!pipe_closed_) {
        pipe_index = static_cast<int>(watched);
        fds[watched++] = {output_fd_, POLLIN, 0};
    }
    if (pid_fd_ >= 0) {
        pid_index = static_cast<int>(watched);
        fds[watched++] = {pid_fd_, POLLIN, 0};
    }
    int timeout = timeout_ms;
    if (pid_fd_ < 0) {
        timeout =
            timeout_ms < 0 ? exit_check_interval_ms : std::min(timeout_ms, exit_check_interval_ms);
    }
    int ready = poll(fds, watched, timeout);
    if (ready > 0 && pipe_index >= 0 && fds[pipe_index].revents != 0) {
        std::optional<std::size_t> count = read_pipe();
        if (count && *count > 0) {
            return {ReadStatus::data, *count};
        }
    }
    bool may_have_ended =
        pid_fd_ < 0 || (ready > 0 && pid_index >= 0 && fds[pid_index].revents != 0);
    if (may_have_ended && try_reap(false)) {
        return read_some(buffer, 0);
    }
    return {ReadStatus::waiting, 0};
}

bool ChildProcess::try_reap(bool block) {
    if (reaped_) {
        return true;
    }
    // Look first without reaping: the group must leave the registry before
    // its id can be handed to another process.
    siginfo_t info{};
    int flags = WEXITED | WNOWAIT | (block ? 0 : WNOHANG);
    int rc = 0;
    do {
        rc = waitid(P_PID, static_cast<id_t>(pid_), &info, flags);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0 && info.si_pid == 0) {
        return false;
    }
    // A shell killed in the middle of its command leaves the command's pip
    // running, unseen, changing the environment behind the next operation:
    // what still holds the output pipe is ended with the group before the
    // group is forgotten. (A shell that exits by itself has waited for its
    // command; what it put in the background is left alone.)
    const bool killed = info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED;
    if (killed && pipe_still_held()) {
        end_group();
    }
    unregister_group(pid_);
    int wait_status = 0;
    pid_t reaped = -1;
    do {
        reaped = waitpid(pid_, &wait_status, 0);
    } while (reaped < 0 && errno == EINTR);
    exit_status_ = reaped == pid_ ? exit_status_of(wait_status) : -1;
    reaped_ = true;
    if (pid_fd_ >= 0) {
        close(pid_fd_);
        pid_fd_ = -1;
    }
    return true;
}

void ChildProcess::terminate() {
    if (reaped_) {
        return;
    }
    end_group();
    try_reap(true);
}

void ChildProcess::end_group() {
    // The shell is not reaped yet, so its group id still names its group.
    kill(-pid_, SIGTERM);
    auto running = [this] {
        siginfo_t info{};
        bool shell_running =
            waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT | WNOHANG) == 0 &&
            info.si_pid == 0;
        return shell_running || process_group_is_alive(pid_);
    };
    auto deadline = std::chrono::steady_clock::now() + termination_grace;
    while (running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (running()) {
        kill(-pid_, SIGKILL);
    }
}

bool ChildProcess::pipe_still_held() const {
    if (pipe_closed_ || output_fd_ < 0) {
        return false;
    }
    pollfd fd{output_fd_, POLLIN, 0};
    return poll(&fd, 1, 0) >= 0 && (fd.revents & (POLLHUP | POLLERR)) == 0;
}

int ChildProcess::wait() {
    try_reap(true);
    return exit_status_;
}

bool is_running_child_group(int group_id) {
    std::lock_guard lock(registry().mutex);
    return registry().groups.count(group_id) != 0;
}

SignalTarget signal_process_or_its_group(int pid, int group_id, int signal) {
    std::lock_guard lock(registry().mutex);
    if (group_id > 0 && group_id != getpgrp() && registry().groups.count(group_id) != 0) {
        return kill(-group_id, signal) == 0 ? SignalTarget::group : SignalTarget::none;
    }
    return pid > 0 && kill(pid, signal) == 0 ? SignalTarget::process : SignalTarget::none;
}

}  // namespace vx::platform
