#pragma once
// SIGTERM, SIGINT and SIGHUP (logout, Ctrl+C, a closed terminal) turned into
// bytes on a pipe, so that the event loop can close the window as the user
// would, clean-up included, instead of dying in the middle of things.
namespace vx::platform {

// Installs the handlers once and returns the pipe's read end (non-blocking,
// close-on-exec); -1 when the pipe cannot be made. Each signal writes one byte.
int termination_signal_fd();

// Reads the waiting bytes; true when at least one signal arrived.
bool drain_termination_signals(int fd);

}  // namespace vx::platform
