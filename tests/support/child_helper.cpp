// A child program for the runner tests. Its arguments are steps done in order:
//   out N      print N pattern bytes (see child_pattern.hpp) to standard output
//   text S     print S to standard output
//   err S      print S to standard error
//   zero       print one zero byte to standard output
//   pid        print "pid=<its pid>\n"
//   fds        print "fds=" and its open descriptors above 2, then "\n"
//   sleep MS   sleep MS milliseconds
//   exit CODE  end at once with CODE
// Output goes straight to the descriptors, unbuffered, so that what is
// printed just before an exit has really been written.
#include "tests/support/child_pattern.hpp"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

namespace {

void write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            _exit(120);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string open_descriptors() {
    std::string list;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        return "?";
    }
    const int own = dirfd(dir);
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        int fd = std::atoi(entry->d_name);
        if (fd > 2 && fd != own) {
            list += (list.empty() ? "" : ",") + std::to_string(fd);
        }
    }
    closedir(dir);
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view step = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        if (step == "out") {
            std::string bytes = vx::test::pattern_bytes(std::strtoull(value, nullptr, 10));
            // Several writes, as a real program would make them.
            for (std::size_t at = 0; at < bytes.size(); at += 8192) {
                write_all(STDOUT_FILENO, std::string_view(bytes).substr(at, 8192));
            }
            ++i;
        } else if (step == "text") {
            write_all(STDOUT_FILENO, value);
            ++i;
        } else if (step == "err") {
            write_all(STDERR_FILENO, value);
            ++i;
        } else if (step == "zero") {
            write_all(STDOUT_FILENO, std::string_view("\0", 1));
        } else if (step == "pid") {
            write_all(STDOUT_FILENO, "pid=" + std::to_string(getpid()) + "\n");
        } else if (step == "fds") {
            write_all(STDOUT_FILENO, "fds=" + open_descriptors() + "\n");
        } else if (step == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(value)));
            ++i;
        } else if (step == "exit") {
            _exit(std::atoi(value));
        } else {
            write_all(STDERR_FILENO, "child_helper: unknown step " + std::string(step) + "\n");
            return 2;
        }
    }
    return 0;
}
