#include "platform/files.hpp"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vx::platform {
namespace {

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A symbolic link is written through, so that the user's link stays a link.
std::string resolve_link(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
        realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return path;
}

// rename() would happily replace a file the user made read-only, and root
// passes every access() check: a file without write bits counts as read-only.
bool is_writable_regular_file(const std::string& path, const struct stat& info) {
    return S_ISREG(info.st_mode) && (info.st_mode & 0222) != 0 && access(path.c_str(), W_OK) == 0;
}

// Read without umask(), whose set-and-restore would race with other threads.
mode_t current_umask() {
    const auto status = read_whole_file("/proc/self/status");
    const std::string key = "Umask:";
    if (status) {
        if (const auto at = status->find(key); at != std::string::npos) {
            return static_cast<mode_t>(std::strtoul(status->c_str() + at + key.size(), nullptr, 8));
        }
    }
    return 022;
}

// The permissions a file written to path gets: those of the file it replaces,
// or the usual ones for a new file; nullopt when path may not be replaced.
std::optional<mode_t> replacement_mode(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return static_cast<mode_t>(0666 & ~current_umask());
    }
    if (!is_writable_regular_file(path, info)) {
        return std::nullopt;
    }
    return static_cast<mode_t>(info.st_mode & 07777);
}

}  // namespace

std::optional<std::string> read_whole_file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ::close(fd);
            if (got < 0) {
                return std::nullopt;
            }
            return content;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

bool write_file_atomically(const std::string& path, std::string_view bytes) {
    const auto mode = replacement_mode(resolve_link(path));
    if (!mode) {
        return false;
    }
    const auto temp = make_temp_file_beside(path);
    if (!temp) {
        return false;
    }
    const int fd = ::open(temp->c_str(), O_WRONLY | O_CLOEXEC);
    const bool written = fd >= 0 && write_all(fd, bytes) && fsync(fd) == 0;
    if (fd < 0 || ::close(fd) != 0 || !written || !replace_file(*temp, path)) {
        ::unlink(temp->c_str());
        return false;
    }
    return true;
}

bool path_exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

bool is_directory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool is_executable_file(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

bool any_entry_matches(const std::string& folder, const std::string& pattern) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (fnmatch(pattern.c_str(), it->path().filename().c_str(), 0) == 0) {
            return true;
        }
    }
    return false;
}

bool make_directories(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return is_directory(path);
}

std::optional<std::string> make_temp_file_beside(const std::string& path) {
    std::string temp = resolve_link(path) + ".tmp-XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    ::close(fd);
    return temp;
}

bool replace_file(const std::string& from, const std::string& to_requested) {
    const std::string to = resolve_link(to_requested);
    const auto mode = replacement_mode(to);
    return mode && chmod(from.c_str(), *mode) == 0 && ::rename(from.c_str(), to.c_str()) == 0;
}

bool remove_file(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

}  // namespace vx::platform
