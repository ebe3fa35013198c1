#include "tests/faults/program_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace vx::test {

std::filesystem::path built_program() {
    return VX_PROGRAM_FILE;
}

ProgramProcess::ProgramProcess(const std::filesystem::path& executable,
                               const std::map<std::string, std::optional<std::string>>& env,
                               const std::filesystem::path& log_path) {
    // Everything the child needs is made before fork: after it, only
    // async-signal-safe calls.
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        variables[text.substr(0, equals)] =
            equals == std::string::npos ? "" : text.substr(equals + 1);
    }
    for (const auto& [name, value] : env) {
        if (value) {
            variables[name] = *value;
        } else {
            variables.erase(name);
        }
    }
    std::vector<std::string> texts;
    for (const auto& [name, value] : variables) {
        texts.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& text : texts) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);
    std::string program = executable.string();
    char* argv[] = {program.data(), nullptr};
    const std::string folder = executable.parent_path().string();

    const int log = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int null_input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (log < 0 || null_input < 0) {
        throw std::runtime_error("cannot open the program's log or /dev/null");
    }
    pid_ = fork();
    if (pid_ == 0) {
        setpgid(0, 0);
        dup2(null_input, 0);
        dup2(log, 1);
        dup2(log, 2);
        if (chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        execve(program.c_str(), argv, envp.data());
        _exit(127);
    }
    ::close(log);
    ::close(null_input);
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    setpgid(pid_, pid_);  // also from here, so the group exists before anyone signals it
}

ProgramProcess::~ProgramProcess() {
    if (!status_) {
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

bool ProgramProcess::signal(int signal_number) const {
    return ::kill(pid_, signal_number) == 0;
}

std::optional<int> ProgramProcess::wait_for_exit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!status_) {
        int raw = 0;
        const pid_t got = waitpid(pid_, &raw, WNOHANG);
        if (got == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
}

}  // namespace vx::test
