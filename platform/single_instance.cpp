#include "platform/single_instance.hpp"

#include "platform/paths.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vx::platform {

SingleInstanceLock::~SingleInstanceLock() {
    release();
}

std::string SingleInstanceLock::lock_path(const std::string& name) {
    return runtime_dir() + "/" + name + "-" + std::to_string(getuid()) + ".lock";
}

bool SingleInstanceLock::acquire(const std::string& name) {
    release();
    const int fd = ::open(lock_path(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void SingleInstanceLock::release() {
    if (fd_ >= 0) {
        ::close(fd_);  // closing the descriptor drops the lock
        fd_ = -1;
    }
}

}  // namespace vx::platform
