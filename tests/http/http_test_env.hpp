#pragma once
// The environment of every exchange test: the test CA is the trusted bundle
// and no proxy variable of the machine leaks in.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.hpp"
#include "tests/support/test_ca.hpp"

namespace vx::test {

class HttpTestEnv {
public:
    HttpTestEnv() {
        const std::string ca = TestCa::shared().ca_cert_path().string();
        set("CURL_CA_BUNDLE", ca);
        set("SSL_CERT_FILE", ca);
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
            set(name, std::nullopt);
        }
    }

    ~HttpTestEnv() {
        // Latest first, so that a variable set twice gets its original value back.
        while (!variables_.empty()) {
            variables_.pop_back();
        }
    }
    HttpTestEnv(const HttpTestEnv&) = delete;
    HttpTestEnv& operator=(const HttpTestEnv&) = delete;

    // Another value for one variable until the end of the test.
    void set(const std::string& name, std::optional<std::string> value) {
        variables_.push_back(std::make_unique<ScopedEnv>(name, std::move(value)));
    }

private:
    std::vector<std::unique_ptr<ScopedEnv>> variables_;
};

}  // namespace vx::test
