#pragma once
// A local server started by a test. The command (argv[0] looked up on PATH)
// runs in its own process group with standard input from /dev/null, standard
// error inherited and standard output on a pipe. Its first output line must
// be "PORT <n>": the server binds 127.0.0.1 port 0 and prints the port it got,
// flushed. After that line it writes to standard error only.
// The destructor kills the whole process group and reaps the process.
#include <sys/types.h>

#include <string>
#include <vector>

namespace vx::test {

class ServerProcess {
public:
    // Throws std::runtime_error when the command cannot start, ends, or does
    // not print the PORT line within a minute.
    explicit ServerProcess(const std::vector<std::string>& argv);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }
    pid_t pid() const { return pid_; }

private:
    void stop();

    pid_t pid_ = -1;
    int output_fd_ = -1;  // kept open so that a stray print never breaks the server
    int port_ = 0;
};

}  // namespace vx::test
