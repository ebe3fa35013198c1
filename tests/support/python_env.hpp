#pragma once
// Real Python virtual environments for tests that run pip, and the process
// environment that steers every pip the test starts (directly or through the
// program under test, which hands its environment on to its children).
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/run_command.hpp"
#include "tests/support/temp_dir.hpp"

namespace vx::test {

enum class VenvSource {
    // A copy (fast) of a pristine environment kept in the build's test
    // cache, made by the first test process that needs one.
    copy_of_template,
    // A new "python -m venv" (seconds), for tests that need one made from scratch.
    new_venv,
};

// A virtual environment made offline from /usr/bin/python3 (else python3 on
// PATH): pip and setuptools come from the interpreter's bundled wheels.
// Removed with the object when it lives in a temporary folder of its own.
class PythonEnv {
public:
    // root must not exist or be an empty folder; an empty root means
    // <new temporary folder>/Py.
    explicit PythonEnv(const std::filesystem::path& root = {},
                       VenvSource source = VenvSource::copy_of_template);
    ~PythonEnv();
    PythonEnv(const PythonEnv&) = delete;
    PythonEnv& operator=(const PythonEnv&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::string root_str() const { return root_.string(); }
    // root + "/bin/", with the trailing "/".
    std::string bin_dir() const { return root_.string() + "/bin/"; }
    std::filesystem::path python() const { return root_ / "bin" / "python"; }
    // root/lib/python3.N/site-packages
    std::filesystem::path site_packages() const;

    // bin/python with args, in the test's current environment.
    CommandResult run(const std::vector<std::string>& args,
                      const CommandOptions& options = {}) const;
    // bin/python -m pip with args, in the test's current environment.
    CommandResult pip(const std::vector<std::string>& args,
                      const CommandOptions& options = {}) const;

    // Readers for assertions: run pip with --isolated and without the
    // version check, so they print the same whatever the test configured.
    // Names as pip spells them ("Vx_Mixed.Name"), in pip's order.
    std::vector<std::string> pip_list_names() const;
    // name -> version as pip prints them.
    std::map<std::string, std::string> pip_list() const;
    // The installed version of name (compared after PEP 503 normalising).
    std::optional<std::string> installed_version(const std::string& name) const;
    // Output of "pip freeze".
    std::string pip_freeze() const;

    // The interpreter the environments are made from.
    static std::string base_interpreter();

private:
    std::unique_ptr<TempDir> temp_;
    std::filesystem::path root_;
};

// "Vx_Mixed.Name" -> "vx-mixed-name": how indexes and pip compare names.
std::string normalize_package_name(const std::string& name);

struct PipSettings {
    // PIP_INDEX_URL when not empty (beats every configuration file).
    std::string index_url;
    // When not empty: PIP_CERT, REQUESTS_CA_BUNDLE, CURL_CA_BUNDLE and
    // SSL_CERT_FILE name this file, SSL_CERT_DIR is removed, so pip and
    // libcurl trust the test CA.
    std::filesystem::path ca_file;
    // PIP_DISABLE_PIP_VERSION_CHECK=0 (true) or 1 (false). Debian's pip
    // checks only when told to; then "pip list" recommends "upgrade pip".
    bool version_check = false;
    // PIP_CONFIG_FILE=/dev/null: pip reads no configuration file at all.
    // Otherwise the user file under the private XDG_CONFIG_HOME is read
    // (the one the program seeds) together with /etc/pip.conf, whose keys
    // the variables above override.
    bool no_config_files = false;
};

// Until the end of the scope: HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME,
// XDG_DATA_HOME in fresh temporary folders, XDG_CONFIG_DIRS an empty folder
// (no /etc/xdg/pip/pip.conf), every PIP_* variable and the proxy variables
// removed, then the settings applied. Everything is restored afterwards.
class IsolatedPipEnvironment {
public:
    explicit IsolatedPipEnvironment(const PipSettings& settings = {});
    ~IsolatedPipEnvironment();
    IsolatedPipEnvironment(const IsolatedPipEnvironment&) = delete;
    IsolatedPipEnvironment& operator=(const IsolatedPipEnvironment&) = delete;

    std::filesystem::path home() const { return dir_.path() / "home"; }
    std::filesystem::path config_home() const { return dir_.path() / "config"; }
    std::filesystem::path cache_home() const { return dir_.path() / "cache"; }
    // $XDG_CONFIG_HOME/pip/pip.conf: pip's per-user file (not created here).
    std::filesystem::path user_pip_conf() const { return config_home() / "pip" / "pip.conf"; }

private:
    void set(const std::string& name, std::optional<std::string> value);

    TempDir dir_;
    std::vector<std::unique_ptr<ScopedEnv>> vars_;
};

}  // namespace vx::test
