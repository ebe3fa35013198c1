#pragma once
// A package index on 127.0.0.1 over HTTPS for tests that run real pip or
// look packages up: a PEP 503 simple index for pip and a PyPI-style JSON
// interface for the lookup, serving wheels built at test time, offline.
//
// Packages served from the start (made by package_index/make_wheels.py):
//   vxdemo 1.0 and 2.0        no requirements, licence "MIT"
//   vxapp 1.0                 requires "vxdemo>=1.0" and 'vxextra>=1.0; extra == "full"'
//   vxbroken 1.0              requires "vxmissing>=1.0", which is not served
//   Vx_Mixed.Name 1.0         no licence (null), non-ASCII summary
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/python_env.hpp"
#include "tests/support/server_process.hpp"
#include "tests/support/temp_dir.hpp"

namespace vx::test {

class TestCa;

struct WheelSpec {
    std::string name;
    std::string version;
    std::string summary;
    std::string author;
    std::string author_email;
    std::string home_page;
    std::optional<std::string> license;  // nullopt: no licence (null in JSON)
    std::string requires_python;
    std::vector<std::string> requires_dist;
};

// Versions of the wheels add_core_upgrade_wheels put into the index.
struct CoreUpgradeWheels {
    std::string pip_version;         // a real pip newer than the venv's
    std::string setuptools_version;  // empty when none could be offered
    std::string wheel_version;       // a stand-in "wheel" package
};

// Applied to every request until changed.
struct IndexFaults {
    double delay_seconds = 0;     // wait before answering
    int fail_status = 0;          // answer this status with the body "error"
    bool drop = false;            // close the connection without an answer
    bool hang = false;            // read the request, never answer, until the client goes
    double trickle_seconds = 0;   // send the answer one byte at a time, this long apart
    std::int64_t huge_bytes = 0;  // answer 200 with this many bytes of filler
};

class PackageIndex {
public:
    // Builds the standard wheels into a folder of its own and starts the
    // server with the test program's CA; throws std::runtime_error on failure.
    PackageIndex();
    ~PackageIndex();
    PackageIndex(const PackageIndex&) = delete;
    PackageIndex& operator=(const PackageIndex&) = delete;

    int port() const { return server_->port(); }
    // "127.0.0.1:PORT": the value for the lookup's host setting; the lookup
    // fetches "https://" + host() + "/pypi/web/pypi/NAME/json".
    std::string host() const;
    // "https://localhost:PORT/simple/" for pip. pip 24.2 and later fail on an
    // index given by IP address (pypa/pip#12906); localhost works with every pip.
    std::string simple_url() const;
    // "https://127.0.0.1:PORT/pypi/web/pypi/" + name + "/json"
    std::string json_url(const std::string& name) const;
    std::filesystem::path ca_cert_path() const;
    // The served folder: every *.whl in it is served, also ones added later.
    const std::filesystem::path& wheel_dir() const { return dir_.path(); }

    // Settings for IsolatedPipEnvironment that point pip at this index.
    PipSettings pip_settings(bool version_check = false) const;

    // Adds pip (the newest bundled with any interpreter here, if newer than
    // Debian's), setuptools (newer than Debian's: a real one, else Debian's
    // re-versioned to the next major number) and a stand-in "wheel".
    // nullopt when no newer pip exists on this machine.
    std::optional<CoreUpgradeWheels> add_core_upgrade_wheels();

    // Builds one more tiny pure-Python wheel into the index.
    void add_wheel(const WheelSpec& wheel);

    // Overrides of one package's JSON record (the name is normalised; each
    // call replaces the package's earlier overrides). info_object is JSON
    // text merged over the record's "info"; upload_time, when given, is every
    // file's "upload_time". A package needs no wheel to have a record.
    void set_json_info(const std::string& name, const std::string& info_object,
                       const std::string& upload_time = {});
    // The body served verbatim, with this status, as the package's record.
    void set_json_reply(const std::string& name, const std::string& body, int status = 200);
    // The same for bytes that need not be text (invalid UTF-8, NUL bytes).
    void set_json_reply_bytes(const std::string& name, const std::string& bytes, int status = 200);

    void set_faults(const IndexFaults& faults);

    // Requests served so far, "METHOD PATH" each, oldest first.
    std::vector<std::string> requests() const;

private:
    void write_json_side_file(const std::string& name, const std::string& json);

    TempDir dir_{"vx-index"};
    const TestCa& ca_;
    std::unique_ptr<ServerProcess> server_;
};

// Absolute path of a file in tests/support/package_index/.
std::filesystem::path package_index_script(const std::string& file);

// s as a JSON string literal, quotes included.
std::string json_quote(const std::string& s);

}  // namespace vx::test
