#pragma once
// Runs a helper program for a test fixture and collects what it printed.
// Independent of the program's own runner, so fixtures never test the code
// with itself.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vx::test {

struct CommandResult {
    // Exit code; 128 + N when ended by signal N; -1 when it could not start
    // or was ended because it ran past its time limit.
    int status = -1;
    // Standard output and standard error, interleaved as written.
    std::string output;

    bool ok() const { return status == 0; }
};

struct CommandOptions {
    std::filesystem::path working_dir;  // empty: the test's own
    // Changes to the inherited environment: a value sets, nullopt removes.
    std::map<std::string, std::optional<std::string>> env;
    int timeout_seconds = 300;
};

// Starts argv[0] (looked up on PATH when it has no "/"), stdin from
// /dev/null, in a process group of its own; waits for it and reaps it.
CommandResult run_command(const std::vector<std::string>& argv, const CommandOptions& options = {});

// argv as one line for failure messages.
std::string describe_command(const std::vector<std::string>& argv);

}  // namespace vx::test
