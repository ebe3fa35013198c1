#include "tests/support/run_command.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace vx::test {
namespace {

std::vector<std::string> child_environment(const CommandOptions& options) {
    std::vector<std::string> result;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (options.env.count(name) == 0) {
            result.push_back(text);
        }
    }
    for (const auto& [name, value] : options.env) {
        if (value) {
            result.push_back(name + "=" + *value);
        }
    }
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

int decode_status(int raw) {
    if (WIFEXITED(raw)) {
        return WEXITSTATUS(raw);
    }
    if (WIFSIGNALED(raw)) {
        return 128 + WTERMSIG(raw);
    }
    return -1;
}

}  // namespace

std::string describe_command(const std::vector<std::string>& argv) {
    std::string line;
    for (const auto& arg : argv) {
        if (!line.empty()) {
            line += ' ';
        }
        line += arg;
    }
    return line;
}

CommandResult run_command(const std::vector<std::string>& argv, const CommandOptions& options) {
    CommandResult result;
    if (argv.empty()) {
        return result;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        result.output = std::string("pipe2: ") + std::strerror(errno);
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    const std::string dir = options.working_dir.string();
    if (!dir.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    }
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);

    std::vector<std::string> args = argv;
    std::vector<std::string> env = child_environment(options);
    std::vector<char*> arg_ptrs = pointers(args);
    std::vector<char*> env_ptrs = pointers(env);
    pid_t pid = -1;
    const int spawn_error =
        posix_spawnp(&pid, args[0].c_str(), &actions, &attr, arg_ptrs.data(), env_ptrs.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(fds[1]);
    if (spawn_error != 0) {
        close(fds[0]);
        result.output = "cannot start " + args[0] + ": " + std::strerror(spawn_error);
        return result;
    }

    // Read to the end of the pipe; past the time limit the whole group is
    // ended, which closes the pipe's other ends.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(options.timeout_seconds);
    bool timed_out = false;
    char buffer[8192];
    for (;;) {
        pollfd pfd{fds[0], POLLIN, 0};
        const int ready = poll(&pfd, 1, 200);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready > 0) {
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n > 0) {
                result.output.append(buffer, static_cast<size_t>(n));
                continue;
            }
            if (n == 0 || errno != EINTR) {
                break;
            }
        }
        if (!timed_out && std::chrono::steady_clock::now() > deadline) {
            timed_out = true;
            kill(-pid, SIGKILL);
        }
    }
    close(fds[0]);

    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    result.status = timed_out ? -1 : decode_status(raw);
    if (timed_out) {
        result.output += "\n[run_command: ended after " + std::to_string(options.timeout_seconds) +
                         " s: " + describe_command(argv) + "]\n";
    }
    return result;
}

}  // namespace vx::test
