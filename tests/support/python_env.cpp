#include "tests/support/python_env.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace vx::test {
namespace {

namespace fs = std::filesystem;

// Variables removed from a pip's environment: anything set for the
// developer's own pip must not reach the tests' pips.
std::vector<std::string> inherited_pip_variables() {
    std::vector<std::string> names;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (text.rfind("PIP_", 0) == 0) {
            names.push_back(text.substr(0, text.find('=')));
        }
    }
    return names;
}

const std::vector<std::string> kProxyVariables = {
    "http_proxy", "https_proxy", "all_proxy", "no_proxy",
    "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "NO_PROXY",
};

CommandOptions without_pip_variables() {
    CommandOptions options;
    for (const auto& name : inherited_pip_variables()) {
        options.env[name] = std::nullopt;
    }
    return options;
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
}

// A moved or copied venv still names its old folder in its script shebangs,
// activate scripts and pyvenv.cfg; point them from "from" to "to".
void retarget_venv(const fs::path& venv, const fs::path& from, const fs::path& to) {
    std::vector<fs::path> files = {venv / "pyvenv.cfg"};
    for (const auto& entry : fs::directory_iterator(venv / "bin")) {
        if (entry.is_regular_file() && !entry.is_symlink()) {
            files.push_back(entry.path());
        }
    }
    for (const auto& file : files) {
        std::string text = read_file(file);
        if (text.find(from.string()) == std::string::npos) {
            continue;
        }
        replace_all(text, from.string(), to.string());
        write_file(file, text);
    }
}

void make_venv(const fs::path& root) {
    const CommandResult made = run_command(
        {PythonEnv::base_interpreter(), "-m", "venv", root.string()}, without_pip_variables());
    if (!made.ok() || !fs::exists(root / "bin" / "python")) {
        throw std::runtime_error("python -m venv " + root.string() + " failed (" +
                                 std::to_string(made.status) + "): " + made.output);
    }
}

struct TempDirRemover {
    fs::path path;
    ~TempDirRemover() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

// A key that changes when the base interpreter is replaced.
std::string interpreter_key() {
    std::error_code error;
    const fs::path real = fs::canonical(PythonEnv::base_interpreter(), error);
    struct stat info {};
    std::string text = real.string();
    if (stat(text.c_str(), &info) == 0) {
        text += ":" + std::to_string(info.st_size) + ":" + std::to_string(info.st_mtime);
    }
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

fs::path cache_folder() {
#ifdef VX_TEST_CACHE_DIR
    return VX_TEST_CACHE_DIR;
#else
    const char* base = std::getenv("TMPDIR");
    return fs::path(base && *base ? base : "/tmp") / ("vx-test-cache-" + std::to_string(getuid()));
#endif
}

// One pristine venv shared by every test process of the build, made by the
// first one that needs it: built aside, then renamed into place, so a
// process either sees a complete template or none.
const fs::path& template_venv() {
    static std::mutex mutex;
    static fs::path root;
    std::lock_guard<std::mutex> lock(mutex);
    if (!root.empty()) {
        return root;
    }
    const fs::path folder = cache_folder() / ("venv-" + interpreter_key());
    const fs::path final_root = folder / "Py";
    if (!fs::exists(final_root / "bin" / "python")) {
        fs::create_directories(folder);
        std::string pattern = (folder / "building-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed in " + folder.string());
        }
        const TempDirRemover remover{pattern};
        const fs::path building = fs::path(pattern) / "Py";
        make_venv(building);
        retarget_venv(building, building, final_root);
        std::error_code lost_race;  // another process put its template there first
        fs::rename(building, final_root, lost_race);
    }
    root = final_root;
    return root;
}

void prepare_root(const fs::path& root) {
    if (fs::exists(root)) {
        if (!fs::is_directory(root) || !fs::is_empty(root)) {
            throw std::runtime_error("venv folder is not empty: " + root.string());
        }
        fs::remove(root);
    }
    fs::create_directories(root.parent_path());
}

std::vector<std::pair<std::string, std::string>> parse_freeze_lines(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t sep = line.find("==");
        if (sep != std::string::npos) {
            rows.emplace_back(line.substr(0, sep), line.substr(sep + 2));
        }
    }
    return rows;
}

const std::vector<std::string> kQuietPip = {"--isolated", "--disable-pip-version-check"};

}  // namespace

std::string normalize_package_name(const std::string& name) {
    std::string result;
    for (char c : name) {
        if (c == '-' || c == '_' || c == '.') {
            if (result.empty() || result.back() != '-') {
                result += '-';
            }
        } else {
            result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return result;
}

std::string PythonEnv::base_interpreter() {
    if (access("/usr/bin/python3", X_OK) == 0) {
        return "/usr/bin/python3";
    }
    return "python3";
}

PythonEnv::PythonEnv(const fs::path& root, VenvSource source) {
    if (root.empty()) {
        temp_ = std::make_unique<TempDir>("vx-venv");
        root_ = temp_->path() / "Py";
    } else {
        root_ = fs::absolute(root);
    }
    prepare_root(root_);
    if (source == VenvSource::new_venv) {
        make_venv(root_);
        return;
    }
    const fs::path& original = template_venv();
    const CommandResult copied = run_command({"cp", "-a", original.string(), root_.string()});
    if (!copied.ok()) {
        throw std::runtime_error("copying the template venv failed: " + copied.output);
    }
    retarget_venv(root_, original, root_);
}

PythonEnv::~PythonEnv() = default;

fs::path PythonEnv::site_packages() const {
    for (const auto& entry : fs::directory_iterator(root_ / "lib")) {
        if (entry.path().filename().string().rfind("python3", 0) == 0) {
            return entry.path() / "site-packages";
        }
    }
    return {};
}

CommandResult PythonEnv::run(const std::vector<std::string>& args,
                             const CommandOptions& options) const {
    std::vector<std::string> argv = {python().string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_command(argv, options);
}

CommandResult PythonEnv::pip(const std::vector<std::string>& args,
                             const CommandOptions& options) const {
    std::vector<std::string> argv = {"-m", "pip"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, options);
}

std::map<std::string, std::string> PythonEnv::pip_list() const {
    std::map<std::string, std::string> result;
    for (const auto& [name, version] :
         parse_freeze_lines(pip({"list", "--format=freeze", kQuietPip[0], kQuietPip[1]}).output)) {
        result[name] = version;
    }
    return result;
}

std::vector<std::string> PythonEnv::pip_list_names() const {
    std::vector<std::string> names;
    for (const auto& row :
         parse_freeze_lines(pip({"list", "--format=freeze", kQuietPip[0], kQuietPip[1]}).output)) {
        names.push_back(row.first);
    }
    return names;
}

std::optional<std::string> PythonEnv::installed_version(const std::string& name) const {
    const std::string wanted = normalize_package_name(name);
    for (const auto& [listed, version] : pip_list()) {
        if (normalize_package_name(listed) == wanted) {
            return version;
        }
    }
    return std::nullopt;
}

std::string PythonEnv::pip_freeze() const {
    return pip({"freeze", kQuietPip[0], kQuietPip[1]}).output;
}

IsolatedPipEnvironment::IsolatedPipEnvironment(const PipSettings& settings) : dir_("vx-pip-home") {
    for (const char* sub : {"home", "config", "cache", "data", "config-dirs"}) {
        fs::create_directories(dir_.path() / sub);
    }
    set("HOME", home().string());
    set("XDG_CONFIG_HOME", config_home().string());
    set("XDG_CACHE_HOME", cache_home().string());
    set("XDG_DATA_HOME", (dir_.path() / "data").string());
    set("XDG_CONFIG_DIRS", (dir_.path() / "config-dirs").string());
    for (const auto& name : inherited_pip_variables()) {
        set(name, std::nullopt);
    }
    for (const auto& name : kProxyVariables) {
        set(name, std::nullopt);
    }
    if (!settings.index_url.empty()) {
        set("PIP_INDEX_URL", settings.index_url);
    }
    if (!settings.ca_file.empty()) {
        const std::string ca = fs::absolute(settings.ca_file).string();
        for (const char* name :
             {"PIP_CERT", "REQUESTS_CA_BUNDLE", "CURL_CA_BUNDLE", "SSL_CERT_FILE"}) {
            set(name, ca);
        }
        set("SSL_CERT_DIR", std::nullopt);
    }
    set("PIP_DISABLE_PIP_VERSION_CHECK", settings.version_check ? "0" : "1");
    if (settings.no_config_files) {
        set("PIP_CONFIG_FILE", "/dev/null");
    }
}

IsolatedPipEnvironment::~IsolatedPipEnvironment() {
    // Newest first, so a variable set twice gets its original value back.
    while (!vars_.empty()) {
        vars_.pop_back();
    }
}

void IsolatedPipEnvironment::set(const std::string& name, std::optional<std::string> value) {
    vars_.push_back(std::make_unique<ScopedEnv>(name, std::move(value)));
}

}  // namespace vx::test
