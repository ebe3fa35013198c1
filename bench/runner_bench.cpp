// Measures the command runner against the plain system calls, in one run:
//   - the runner's own CPU time while a command runs silently for 3 s, on a
//     worker thread (blocking wait) and on the "GUI" thread (pumping between waits);
//   - capturing 100 MB of output, against `cat` into a pipe read by a
//     trivial reader that only counts bytes (and, for reference, one that
//     appends them to a string);
//   - running a trivial command (`true`), against posix_spawn + waitpid.
// Prints one small table. With VX_BENCH_RESULTS naming a file, also appends
// one JSON object per figure to it (see bench/run).
#include "bench/bench_results.hpp"
#include "core/shell_runner.hpp"
#include "core/text.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double own_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto to_seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return to_seconds(usage.ru_utime) + to_seconds(usage.ru_stime);
}

// Spawns argv with its standard output on a pipe; returns the pid and the read end.
pid_t spawn_with_pipe(std::vector<std::string> args, int& read_fd) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    read_fd = fds[0];
    return pid;
}

// The trivial reader: counts what cat sends through a pipe, or keeps it in a
// string the plain way when `keep` is set.
std::size_t cat_into_pipe(const std::string& file, bool keep) {
    int fd = -1;
    pid_t pid = spawn_with_pipe({"/bin/cat", file}, fd);
    std::vector<char> buffer(64 * 1024);
    std::size_t total = 0;
    std::string kept;
    for (;;) {
        ssize_t count = read(fd, buffer.data(), buffer.size());
        if (count <= 0) {
            break;
        }
        total += static_cast<std::size_t>(count);
        if (keep) {
            kept.append(buffer.data(), static_cast<std::size_t>(count));
        }
    }
    close(fd);
    int status = 0;
    waitpid(pid, &status, 0);
    return total;
}

void spawn_and_wait(const char* program) {
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t pid = -1;
    posix_spawn(&pid, program, nullptr, nullptr, argv, environ);
    int status = 0;
    waitpid(pid, &status, 0);
}

template <typename Work>
double best_of(int rounds, Work work) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        work();
        best = std::min(best, seconds_since(start));
    }
    return best;
}

struct Row {
    std::string what;
    std::string figure;
    std::string baseline;
    std::string verdict;
};

void record(const char* name, double value, const char* unit) {
    vx::bench::record_result("runner_bench", name, value, unit);
}

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

}  // namespace

int main() {
    fs::path folder = fs::temp_directory_path() / ("vx-runner-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    vx::core::ShellRunner runner{folder.string()};
    std::vector<Row> rows;

    // 1. Idle CPU while a silent command runs for 3 s.
    {
        double cpu = 0;
        std::thread worker([&] {
            double before = own_cpu_seconds();
            runner.run("sleep 3", "");
            cpu = own_cpu_seconds() - before;
        });
        worker.join();
        rows.push_back({"CPU while `sleep 3` runs, worker thread",
                        format("%.4f s", cpu) + format(" (%.3f%% of 3 s)", cpu / 3 * 100),
                        "target < 1%", cpu < 0.03 ? "ok" : "OVER"});
        record("idle_cpu_worker", cpu / 3 * 100, "%");
    }
    {
        long pumps = 0;
        runner.set_event_pump([&] { ++pumps; }, std::this_thread::get_id());
        double before = own_cpu_seconds();
        runner.run("sleep 3", "");
        double cpu = own_cpu_seconds() - before;
        runner.set_event_pump({}, {});
        rows.push_back({"CPU while `sleep 3` runs, GUI thread (pump)",
                        format("%.4f s", cpu) + format(" (%.3f%% of 3 s)", cpu / 3 * 100),
                        std::to_string(pumps) + " pump calls", cpu < 0.03 ? "ok" : "OVER"});
        record("idle_cpu_gui", cpu / 3 * 100, "%");
    }

    // 2. Throughput: 100 MB through the runner against cat into a trivial reader.
    {
        const std::size_t size = 100u << 20;
        const std::string file = (folder / "big.bin").string();
        {
            std::string block(1 << 20, '\0');
            for (std::size_t i = 0; i < block.size(); ++i) {
                block[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
            }
            std::ofstream out(file, std::ios::binary);
            for (std::size_t written = 0; written < size; written += block.size()) {
                out.write(block.data(), static_cast<std::streamsize>(block.size()));
            }
        }
        std::size_t runner_size = 0;
        std::size_t reader_size = 0;
        const std::string command = "cat " + vx::text::quote_for_sh(file);
        // Rounds alternate so that a busy moment of the machine hits both sides.
        double reader = 1e300;
        double collecting = 1e300;
        double captured = 1e300;
        std::size_t collecting_size = 0;
        for (int round = 0; round < 7; ++round) {
            reader =
                std::min(reader, best_of(1, [&] { reader_size = cat_into_pipe(file, false); }));
            collecting = std::min(collecting,
                                  best_of(1, [&] { collecting_size = cat_into_pipe(file, true); }));
            captured = std::min(
                captured, best_of(1, [&] { runner_size = runner.run(command, "").output.size(); }));
        }
        if (runner_size != size || reader_size != size || collecting_size != size) {
            std::fprintf(stderr, "size mismatch: runner %zu, readers %zu and %zu\n", runner_size,
                         reader_size, collecting_size);
            return 1;
        }
        double ratio = reader / captured;
        rows.push_back({"Capture 100 MB (cat), runner",
                        format("%.0f MB/s", 100 / captured) + format(" (%.3f s)", captured),
                        format("reader %.0f MB/s", 100 / reader),
                        format("ratio %.2f", ratio) + (ratio >= 0.5 ? " ok" : " UNDER")});
        rows.push_back(
            {"  (reference: reader appending to a string)", format("%.0f MB/s", 100 / collecting),
             format("reader %.0f MB/s", 100 / reader), format("ratio %.2f", reader / collecting)});
        record("capture_runner", 100 / captured, "MB/s");
        record("capture_reader", 100 / reader, "MB/s");
        record("capture_reader_appending", 100 / collecting, "MB/s");
        fs::remove(file);
    }

    // 3. A trivial command, start to finish; rounds alternate as above.
    {
        const int calls = 100;
        double spawn = 1e300;
        double run_here = 1e300;
        double run_in_dir = 1e300;
        for (int round = 0; round < 5; ++round) {
            spawn = std::min(spawn, best_of(1, [&] {
                                 for (int i = 0; i < calls; ++i) {
                                     spawn_and_wait("/bin/true");
                                 }
                             }));
            run_here = std::min(run_here, best_of(1, [&] {
                                    for (int i = 0; i < calls; ++i) {
                                        runner.run_here("true");
                                    }
                                }));
            run_in_dir = std::min(run_in_dir, best_of(1, [&] {
                                      for (int i = 0; i < calls; ++i) {
                                          runner.run("true", "");
                                      }
                                  }));
        }
        std::string base = format("posix_spawn+waitpid %.0f us", spawn / calls * 1e6);
        rows.push_back({"Run `true`, run_here", format("%.0f us", run_here / calls * 1e6), base,
                        format("x%.2f", run_here / spawn)});
        rows.push_back({"Run `true`, run (cd prefix)", format("%.0f us", run_in_dir / calls * 1e6),
                        base, format("x%.2f", run_in_dir / spawn)});
        record("true_posix_spawn", spawn / calls * 1e6, "us");
        record("true_run_here", run_here / calls * 1e6, "us");
        record("true_run", run_in_dir / calls * 1e6, "us");
    }

    fs::remove_all(folder);

    std::printf("%-46s | %-32s | %-30s | %s\n", "measure", "runner", "baseline", "result");
    std::printf("%s\n", std::string(128, '-').c_str());
    for (const Row& row : rows) {
        std::printf("%-46s | %-32s | %-30s | %s\n", row.what.c_str(), row.figure.c_str(),
                    row.baseline.c_str(), row.verdict.c_str());
    }
    return 0;
}
