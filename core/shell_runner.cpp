#include "core/shell_runner.hpp"

#include "core/output_collector.hpp"
#include "core/text.hpp"
#include "platform/child_process.hpp"

#include <filesystem>
#include <memory>
#include <system_error>

namespace vx::core {
namespace {

// On the GUI thread: the longest wait between two calls of the event pump.
constexpr int gui_wait_ms = 15;
constexpr std::string_view interpreter_word = "python";

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// The interpreter of a directory, as an absolute path: its python, else its
// python3. With neither, still its python, so that the shell reports it as
// not found instead of running some other interpreter from PATH.
std::string interpreter_of(std::string_view directory) {
    namespace fs = std::filesystem;
    std::string folder(directory.empty() ? "." : directory);
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    std::error_code error;
    fs::path base = fs::absolute(fs::path(folder), error);
    if (error) {
        base = folder;
    }
    for (const char* name : {"python", "python3"}) {
        fs::path candidate = base / name;
        if (fs::exists(candidate, error) && !fs::is_directory(candidate, error)) {
            return candidate.string();
        }
    }
    return (base / "python").string();
}

}  // namespace

std::string build_command_line(std::string_view command, std::string_view directory,
                               std::string_view run_dir) {
    std::string_view folder = directory.empty() ? run_dir : directory;
    std::string line = "cd -- " + text::quote_for_sh(folder) + "; ";
    std::size_t start = command.find_first_not_of(" \t");
    if (start != std::string_view::npos && command.substr(start).starts_with(interpreter_word)) {
        std::size_t after = start + interpreter_word.size();
        if (after == command.size() || is_blank(command[after])) {
            line += command.substr(0, start);
            line += text::quote_for_sh(interpreter_of(folder));
            line += command.substr(after);
            return line;
        }
    }
    line += command;
    return line;
}

ShellRunner::ShellRunner(std::string run_dir) : run_dir_(std::move(run_dir)) {}

ShellRunner::~ShellRunner() = default;

CommandResult ShellRunner::run(std::string_view command, std::string_view directory,
                               const ChunkHandler& handler) {
    if (command.empty()) {
        return {};
    }
    return run_line(build_command_line(command, directory, run_dir_), handler);
}

CommandResult ShellRunner::run_here(std::string_view command, const ChunkHandler& handler) {
    if (command.empty()) {
        return {};
    }
    return run_line(std::string(command), handler);
}

void ShellRunner::set_event_pump(std::function<void()> pump, std::thread::id gui_thread) {
    std::lock_guard lock(mutex_);
    pump_ = std::move(pump);
    gui_thread_ = gui_thread;
}

void ShellRunner::begin_shutdown() {
    std::lock_guard lock(mutex_);
    shutting_down_ = true;
}

bool ShellRunner::shutting_down() const {
    std::lock_guard lock(mutex_);
    return shutting_down_;
}

CommandResult ShellRunner::run_line(const std::string& line, const ChunkHandler& handler) {
    CommandResult result;
    std::function<void()> pump;
    std::unique_ptr<platform::ChildProcess> child;
    {
        std::lock_guard lock(mutex_);
        if (shutting_down_) {
            return result;
        }
        if (pump_ && std::this_thread::get_id() == gui_thread_) {
            pump = pump_;
        }
        // Started under the lock: once begin_shutdown() has returned, no
        // command can slip in behind the clean-up.
        child = platform::ChildProcess::start_shell(line);
    }
    if (!child) {
        return result;
    }
    result.started = true;

    // Off the GUI thread there is nothing to do between chunks but wait.
    const int timeout_ms = pump ? gui_wait_ms : -1;
    OutputCollector collected;
    for (;;) {
        std::span<char> room = collected.room();
        auto [status, size] = child->read_some(room, timeout_ms);
        if (status == platform::ChildProcess::ReadStatus::ended) {
            break;
        }
        if (status == platform::ChildProcess::ReadStatus::data) {
            std::string_view chunk(room.data(), size);
            if (handler && handler(chunk) != 0) {
                // Not left running against a broken pipe: the command and
                // everything it started end here.
                child->terminate();
                break;
            }
            collected.commit(size);
        }
        if (pump) {
            pump();
        }
    }
    result.exit_status = child->wait();
    result.output = collected.take();
    return result;
}

std::string run_shell_command(ShellRunner& runner, std::string_view command,
                              const ChunkHandler& chunk_handler, bool use_handler,
                              std::string_view directory) {
    return runner.run(command, directory, use_handler ? chunk_handler : ChunkHandler{}).output;
}

std::string run_shell_command_here(ShellRunner& runner, std::string_view command,
                                   const ChunkHandler& chunk_handler, bool use_handler) {
    return runner.run_here(command, use_handler ? chunk_handler : ChunkHandler{}).output;
}

}  // namespace vx::core
