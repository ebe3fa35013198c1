#include "tests/support/server_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace vx::test {
namespace {

constexpr auto startup_limit = std::chrono::seconds(60);

// Reads up to the first LF; empty when the pipe ends or the limit passes first.
std::string read_first_line(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + startup_limit;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd waiting{fd, POLLIN, 0};
        const int ready = poll(&waiting, 1, 200);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready <= 0) {
            continue;
        }
        char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
    return {};
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& argv) {
    if (argv.empty()) {
        throw std::runtime_error("ServerProcess: empty command");
    }
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("ServerProcess: pipe2 failed");
    }
    output_fd_ = pipe_fds[0];

    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int spawned = posix_spawnp(&pid_, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipe_fds[1]);
    if (spawned != 0) {
        pid_ = -1;
        stop();
        throw std::runtime_error("ServerProcess: cannot start " + argv[0] + ": " +
                                 std::strerror(spawned));
    }

    const std::string line = read_first_line(output_fd_);
    if (line.rfind("PORT ", 0) == 0) {
        try {
            port_ = std::stoi(line.substr(5));
        } catch (const std::exception&) {
            port_ = 0;
        }
    }
    if (port_ <= 0 || port_ > 65535) {
        stop();
        throw std::runtime_error("ServerProcess: " + argv[0] + " printed \"" + line +
                                 "\" instead of \"PORT <n>\"");
    }
}

ServerProcess::~ServerProcess() {
    stop();
}

void ServerProcess::stop() {
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    if (output_fd_ >= 0) {
        close(output_fd_);
        output_fd_ = -1;
    }
}

}  // namespace vx::test
