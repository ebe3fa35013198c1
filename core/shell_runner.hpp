#pragma once
// Runs one command line through /bin/sh in a working directory and hands back
// everything it printed (standard output and standard error interleaved, in
// arrival order) together with its exit status.
//
// Thread use: any thread. On the thread registered with set_event_pump() the
// runner calls the pump between waits so that the window keeps painting; on
// other threads it simply blocks on the pipe. It never spins.
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace vx::core {

struct CommandResult {
    std::string output;    // everything the child wrote, whole and in order
    bool started = false;  // false: no process was started (empty command, spawn failure, shutdown)
    int exit_status = -1;  // the shell's exit code; 128 + signal number when a signal ended it

    bool succeeded() const { return started && exit_status == 0; }
};

// Takes one chunk of output; a nonzero result stops the run (that chunk is not kept).
using ChunkHandler = std::function<int(std::string_view chunk)>;

class ShellRunner {
public:
    // run_dir: the folder used when a command names no working directory.
    explicit ShellRunner(std::string run_dir);
    ~ShellRunner();
    ShellRunner(const ShellRunner&) = delete;
    ShellRunner& operator=(const ShellRunner&) = delete;

    // Runs "cd -- 'DIR'; COMMAND". A command that starts with the word "python"
    // runs the interpreter of DIR (its python, else its python3). An empty
    // directory means run_dir.
    CommandResult run(std::string_view command, std::string_view directory,
                      const ChunkHandler& handler = {});

    // Runs the command line unchanged, without the cd prefix.
    CommandResult run_here(std::string_view command, const ChunkHandler& handler = {});

    // The pump is called between waits when a command runs on gui_thread.
    void set_event_pump(std::function<void()> pump, std::thread::id gui_thread);

    // From now on no command starts (run() returns a result with started ==
    // false). Commands already running go on until they end or are ended.
    void begin_shutdown();
    bool shutting_down() const;

    const std::string& run_dir() const { return run_dir_; }

private:
    CommandResult run_line(const std::string& line, const ChunkHandler& handler);

    std::string run_dir_;
    mutable std::mutex mutex_;
    std::function<void()> pump_;
    std::thread::id gui_thread_;
    bool shutting_down_ = false;
};

// The command line that run() hands to /bin/sh -c, exposed for tests.
std::string build_command_line(std::string_view command, std::string_view directory,
                               std::string_view run_dir);

// run_shell_command / run_shell_command_here in the shape the rest of the
// program describes them: the whole output as text. With use_handler false
// the handler is not consulted.
std::string run_shell_command(ShellRunner& runner, std::string_view command,
                              const ChunkHandler& chunk_handler, bool use_handler,
                              std::string_view directory);
std::string run_shell_command_here(ShellRunner& runner, std::string_view command,
                                   const ChunkHandler& chunk_handler, bool use_handler);

}  // namespace vx::core
