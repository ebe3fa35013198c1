#pragma once
// Config.ini: everything the program remembers between runs, in section "com".
// Every read goes to the file; nothing is cached.
#include <string>
#include <string_view>

namespace vx::core {

class ConfigFile {
public:
    explicit ConfigFile(std::string path) : path_(std::move(path)) {}

    // One key of section "com"; a missing file or key reads as the empty text.
    std::string read_config_value(std::string_view key) const;
    // Replaces the file atomically; false when it could not be written.
    bool write_config_value(std::string_view key, std::string_view value) const;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace vx::core
