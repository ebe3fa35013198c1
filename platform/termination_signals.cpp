#include "platform/termination_signals.hpp"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace vx::platform {
namespace {

int pipe_ends[2] = {-1, -1};

void on_signal(int) {
    const int saved_errno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(pipe_ends[1], &byte, 1);
    errno = saved_errno;
}

}  // namespace

int termination_signal_fd() {
    if (pipe_ends[0] >= 0) {
        return pipe_ends[0];
    }
    if (pipe2(pipe_ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return -1;
    }
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal_number, &action, nullptr);
    }
    return pipe_ends[0];
}

bool drain_termination_signals(int fd) {
    bool any = false;
    char buffer[64];
    while (::read(fd, buffer, sizeof buffer) > 0) {
        any = true;
    }
    return any;
}

}  // namespace vx::platform
