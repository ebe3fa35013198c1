#pragma once
// Small test fixtures: a temporary folder removed at the end of the test,
// an environment variable set for one scope, and file helpers.
#include <filesystem>
#include <optional>
#include <string>

namespace vx::test {

class TempDir {
public:
    // Creates a fresh folder under $TMPDIR (or /tmp) whose name starts with prefix.
    explicit TempDir(const std::string& prefix = "vx-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) one environment variable until the end of the scope.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& bytes);

}  // namespace vx::test
