// Start-up of the whole program against the pip runs it cannot avoid: from
// the controller's start() (the window is made, Config.ini read, the
// environment check started) until the package list is shown and the window
// unlocked, against two plain "python -m pip list" runs in the same
// environment, measured in the same rounds. The environment check also asks
// "python -V" (measured on its own for reference) and pauses on purpose
// between its steps; those pauses are measured as the time the program's
// worker threads spend asleep.
//
// Prints a small table. With VX_BENCH_RESULTS naming a file, also appends
// one JSON object per figure to it (see bench/run).
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_results.hpp"
#include "tests/support/program_fixture.hpp"

namespace {

using Clock = std::chrono::steady_clock;

std::thread::id main_thread;
std::atomic<long long> worker_sleep_ns{0};
std::atomic<int> worker_sleeps{0};

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

// Every pause of the program is a std::this_thread::sleep_for or sleep_until,
// which end in nanosleep; this definition takes their place in this program
// so that the time the workers spend in them can be added up. The GUI
// thread's sleeps belong to the waiting loop of this benchmark and are not
// counted.
extern "C" int nanosleep(const struct timespec* request, struct timespec* remaining) {
    const auto start = Clock::now();
    const int result = static_cast<int>(syscall(SYS_nanosleep, request, remaining));
    if (std::this_thread::get_id() != main_thread) {
        worker_sleep_ns +=
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        ++worker_sleeps;
    }
    return result;
}

namespace {

struct Round {
    double startup = 0;  // start() until the unlocked list
    double pauses = 0;   // the workers' sleeps within it
    int sleeps = 0;
    double pip_lists = 0;  // two plain "python -m pip list"
    double version = 0;    // one plain "python -V"
};

double timed_pip(vx::test::PythonEnv& py, const std::vector<std::string>& args) {
    const auto start = Clock::now();
    const auto result = py.pip(args);
    const double elapsed = seconds_since(start);
    if (!result.ok()) {
        std::fprintf(stderr, "pip %s failed: %s\n", args.front().c_str(), result.output.c_str());
        std::exit(1);
    }
    return elapsed;
}

// The references first in even rounds and last in odd ones, so that a busy
// moment of the machine falls on both sides.
Round measure_round(int number) {
    Round round;
    vx::test::ProgramFixture program;
    vx::test::PythonEnv& py = *program.py();
    timed_pip(py, {"list"});  // untimed: caches warm for both sides alike
    auto references = [&] {
        round.pip_lists = timed_pip(py, {"list"}) + timed_pip(py, {"list"});
        const auto start = Clock::now();
        if (!py.run({"-V"}).ok()) {
            std::fprintf(stderr, "python -V failed\n");
            std::exit(1);
        }
        round.version = seconds_since(start);
    };
    if (number % 2 == 0) {
        references();
    }
    worker_sleep_ns = 0;
    worker_sleeps = 0;
    const auto start = Clock::now();
    if (program.start() != vx::core::StartupOutcome::ready || !program.wait_until_unlocked()) {
        std::fprintf(stderr, "the program did not start\n");
        std::exit(1);
    }
    round.startup = seconds_since(start);
    round.pauses = static_cast<double>(worker_sleep_ns.load()) / 1e9;
    round.sleeps = worker_sleeps.load();
    if (program.listed_names().empty()) {
        std::fprintf(stderr, "the list is empty after the start-up\n");
        std::exit(1);
    }
    program.stop();
    if (number % 2 == 1) {
        references();
    }
    return round;
}

// The round whose overhead over the two pip runs is the median one: its
// figures were measured side by side, under the same load of the machine.
const Round& median_round(const std::vector<Round>& rounds) {
    std::vector<const Round*> sorted;
    for (const Round& round : rounds) {
        sorted.push_back(&round);
    }
    std::sort(sorted.begin(), sorted.end(), [](const Round* a, const Round* b) {
        return a->startup - a->pip_lists < b->startup - b->pip_lists;
    });
    return *sorted[sorted.size() / 2];
}

void record(const char* name, double value, const char* unit) {
    vx::bench::record_result("startup_bench", name, value, unit);
}

}  // namespace

int main(int argc, char** argv) {
    main_thread = std::this_thread::get_id();
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    std::vector<Round> rounds;
    for (int number = 0; number < count; ++number) {
        rounds.push_back(measure_round(number));
        const Round& r = rounds.back();
        std::printf(
            "round %d: start-up %.3f s (pauses %.3f s in %d sleeps), 2 x pip list %.3f s, "
            "python -V %.3f s\n",
            number + 1, r.startup, r.pauses, r.sleeps, r.pip_lists, r.version);
        std::fflush(stdout);
    }

    const Round& median = median_round(rounds);
    const double startup = median.startup;
    const double pauses = median.pauses;
    const double pip_lists = median.pip_lists;
    const double version = median.version;
    const double overhead = startup - pip_lists;
    const double rest = overhead - pauses - version;

    std::printf("\nthe round of median overhead, of %d\n", count);
    std::printf("%-44s | %9s | %-22s | %s\n", "measure", "program", "reference", "result");
    std::printf("%s\n", std::string(100, '-').c_str());
    std::printf("%-44s | %7.3f s | 2 x pip list %7.3f s | x%.2f, overhead %+.3f s\n",
                "start-up until the unlocked list", startup, pip_lists, startup / pip_lists,
                overhead);
    std::printf("%-44s | %7.3f s | 2 x pip list %7.3f s | x%.2f, overhead %+.3f s\n",
                "  the same without the deliberate pauses", startup - pauses, pip_lists,
                (startup - pauses) / pip_lists, overhead - pauses);
    std::printf("%-44s | %7.3f s |\n", "  deliberate pauses (worker sleeps)", pauses);
    std::printf("%-44s | %7.3f s | (its own run)\n", "  python -V, asked by the check", version);
    std::printf("%-44s | %7.3f s |\n", "  rest: window, threads, shell, list", rest);

    record("startup", startup, "s");
    record("startup_without_pauses", startup - pauses, "s");
    record("pauses", pauses, "s");
    record("pip_list_twice", pip_lists, "s");
    record("python_version", version, "s");
    record("rest", rest, "s");
    return 0;
}
