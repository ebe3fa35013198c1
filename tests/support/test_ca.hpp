#pragma once
// A certification authority made for one test program with the openssl
// command, and a server certificate it signed for 127.0.0.1 and localhost.
// Tests trust it by pointing SSL_CERT_FILE / CURL_CA_BUNDLE at ca_cert_path().
#include <filesystem>

#include "tests/support/temp_dir.hpp"

namespace vx::test {

class TestCa {
public:
    // Makes a fresh CA and server certificate; throws std::runtime_error when
    // openssl fails.
    TestCa();
    TestCa(const TestCa&) = delete;
    TestCa& operator=(const TestCa&) = delete;

    // One CA per test program, made on first use.
    static const TestCa& shared();

    std::filesystem::path ca_cert_path() const { return dir_ / "ca.pem"; }
    std::filesystem::path server_cert_path() const { return dir_ / "server.pem"; }
    std::filesystem::path server_key_path() const { return dir_ / "server.key"; }

private:
    TempDir dir_{"vx-test-ca"};
};

}  // namespace vx::test
