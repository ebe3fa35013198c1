#pragma once
// What the fault, injection and load tests check after each fault: which
// processes were left running, what this test process holds (memory,
// descriptors, threads), and processes found by their command line.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vx::test {

// Makes this test process the reaper of orphans in its tree: a grandchild
// whose parent has died stays a descendant, so a leak cannot hide by being
// adopted elsewhere. Call once, before any child starts.
void adopt_orphans();

struct LiveProcess {
    int pid = 0;
    std::string command_line;  // arguments joined by blanks
};

// The live (not zombie) descendants of a process.
std::vector<LiveProcess> live_descendants_of(pid_t ancestor);

// The first live descendant of ancestor whose command line holds every part.
std::optional<int> find_descendant(pid_t ancestor, const std::vector<std::string>& parts);

// The live descendants of this process when it was made (the index server,
// say). Any other live descendant found later was left behind.
class ChildWatch {
public:
    ChildWatch();

    std::vector<LiveProcess> left_behind() const;
    // Waits, window events processed, until nothing is left behind.
    bool wait_until_clean(std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
    // One line per process left behind, for failure messages.
    std::string describe() const;

private:
    std::set<int> known_;
};

// This process's resident memory, open descriptors and threads.
struct ProcessUsage {
    long rss_kib = 0;
    int descriptors = 0;
    int threads = 0;
};
ProcessUsage usage_of_this_process();

// Whether the process exists and has not ended (a zombie has ended).
bool process_alive(int pid);

}  // namespace vx::test
