#include "tests/support/package_index.hpp"

#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "tests/support/run_command.hpp"
#include "tests/support/test_ca.hpp"

namespace vx::test {
namespace {

namespace fs = std::filesystem;

CommandResult run_script(const std::string& script, std::vector<std::string> args) {
    // -B: no __pycache__ in the source tree.
    std::vector<std::string> argv = {PythonEnv::base_interpreter(), "-B",
                                     package_index_script(script).string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_command(argv);
}

void require_ok(const CommandResult& result, const std::string& what) {
    if (!result.ok()) {
        throw std::runtime_error(what + " failed (" + std::to_string(result.status) +
                                 "): " + result.output);
    }
}

// Writes through a temporary file and a rename, so the server never reads
// half a file.
void replace_file(const fs::path& path, const std::string& text) {
    const fs::path temporary = path.string() + ".tmp";
    write_file(temporary, text);
    fs::rename(temporary, path);
}

}  // namespace

fs::path package_index_script(const std::string& file) {
#ifdef VX_TEST_SUPPORT_DIR
    return fs::path(VX_TEST_SUPPORT_DIR) / "package_index" / file;
#else
    // This source file sits beside the scripts' folder.
    return fs::path(__FILE__).parent_path() / "package_index" / file;
#endif
}

std::string json_quote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

PackageIndex::PackageIndex() : ca_(TestCa::shared()) {
    require_ok(run_script("make_wheels.py", {"standard", dir_.str()}), "make_wheels.py standard");
    server_ = std::make_unique<ServerProcess>(std::vector<std::string>{
        PythonEnv::base_interpreter(), "-B", package_index_script("index_server.py").string(),
        "--root", dir_.str(), "--cert", ca_.server_cert_path().string(), "--key",
        ca_.server_key_path().string()});
}

PackageIndex::~PackageIndex() = default;

std::string PackageIndex::host() const {
    return "127.0.0.1:" + std::to_string(port());
}

std::string PackageIndex::simple_url() const {
    return "https://localhost:" + std::to_string(port()) + "/simple/";
}

std::string PackageIndex::json_url(const std::string& name) const {
    return "https://" + host() + "/pypi/web/pypi/" + name + "/json";
}

fs::path PackageIndex::ca_cert_path() const {
    return ca_.ca_cert_path();
}

PipSettings PackageIndex::pip_settings(bool version_check) const {
    PipSettings settings;
    settings.index_url = simple_url();
    settings.ca_file = ca_cert_path();
    settings.version_check = version_check;
    return settings;
}

std::optional<CoreUpgradeWheels> PackageIndex::add_core_upgrade_wheels() {
    const CommandResult made = run_script("make_wheels.py", {"core", dir_.str()});
    if (made.status == 3) {
        return std::nullopt;
    }
    require_ok(made, "make_wheels.py core");
    CoreUpgradeWheels wheels;
    std::istringstream lines(made.output);
    std::string name;
    std::string version;
    while (lines >> name >> version) {
        if (name == "pip") {
            wheels.pip_version = version;
        } else if (name == "setuptools") {
            wheels.setuptools_version = version;
        } else if (name == "wheel") {
            wheels.wheel_version = version;
        }
    }
    return wheels;
}

void PackageIndex::add_wheel(const WheelSpec& wheel) {
    std::vector<std::string> args = {
        "wheel",          dir_.str(),         "--name",      wheel.name,     "--version",
        wheel.version,    "--summary",        wheel.summary, "--author",     wheel.author,
        "--author-email", wheel.author_email, "--home-page", wheel.home_page};
    if (wheel.license) {
        args.insert(args.end(), {"--license", *wheel.license});
    }
    if (!wheel.requires_python.empty()) {
        args.insert(args.end(), {"--requires-python", wheel.requires_python});
    }
    for (const auto& requirement : wheel.requires_dist) {
        args.insert(args.end(), {"--requires-dist", requirement});
    }
    require_ok(run_script("make_wheels.py", args), "make_wheels.py wheel " + wheel.name);
}

void PackageIndex::set_json_info(const std::string& name, const std::string& info_object,
                                 const std::string& upload_time) {
    std::string json = "{\"info\": " + info_object;
    if (!upload_time.empty()) {
        json += ", \"upload_time\": " + json_quote(upload_time);
    }
    write_json_side_file(name, json + "}");
}

void PackageIndex::set_json_reply(const std::string& name, const std::string& body, int status) {
    write_json_side_file(
        name, "{\"raw\": " + json_quote(body) + ", \"status\": " + std::to_string(status) + "}");
}

void PackageIndex::set_json_reply_bytes(const std::string& name, const std::string& bytes,
                                        int status) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string encoded;
    for (unsigned char c : bytes) {
        encoded += hex[c >> 4];
        encoded += hex[c & 0x0F];
    }
    write_json_side_file(
        name, "{\"raw_hex\": \"" + encoded + "\", \"status\": " + std::to_string(status) + "}");
}

void PackageIndex::write_json_side_file(const std::string& name, const std::string& json) {
    const fs::path folder = dir_.path() / "_json";
    fs::create_directories(folder);
    replace_file(folder / (normalize_package_name(name) + ".json"), json);
}

void PackageIndex::set_faults(const IndexFaults& faults) {
    std::ostringstream json;
    json << "{\"delay_seconds\": " << faults.delay_seconds
         << ", \"fail_status\": " << faults.fail_status
         << ", \"drop\": " << (faults.drop ? "true" : "false")
         << ", \"hang\": " << (faults.hang ? "true" : "false")
         << ", \"trickle_seconds\": " << faults.trickle_seconds
         << ", \"huge_bytes\": " << faults.huge_bytes << "}";
    replace_file(dir_.path() / "_control.json", json.str());
}

std::vector<std::string> PackageIndex::requests() const {
    std::vector<std::string> lines;
    std::istringstream in(read_file(dir_.path() / "_requests.log"));
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace vx::test
