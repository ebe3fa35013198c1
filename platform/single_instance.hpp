#pragma once
// Marks a running copy of the program: an exclusive advisory lock on a file in
// the user's runtime folder. The system drops the lock when the process ends,
// even after a crash, so a stale lock never blocks a start.
#include <string>

namespace vx::platform {

class SingleInstanceLock {
public:
    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this object now holds the lock named name for this user;
    // false when another copy holds it (or the lock file cannot be opened).
    bool acquire(const std::string& name);
    void release();
    bool held() const { return fd_ >= 0; }

    // The lock file used for name: $XDG_RUNTIME_DIR/<name>-<uid>.lock.
    static std::string lock_path(const std::string& name);

private:
    int fd_ = -1;
};

}  // namespace vx::platform
