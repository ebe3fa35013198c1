#pragma once
// Local HTTP(S) servers and a forward proxy for tests, run from the scripts
// http_test_server.py and forward_proxy.py (see their headers for the query
// parameters that choose a reply). Both record what they received, which the
// tests read back as RecordedRequest values.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/server_process.hpp"
#include "tests/support/temp_dir.hpp"

namespace vx::test {

// One request as a server or proxy received it.
struct RecordedRequest {
    std::string method;
    std::string target;
    std::vector<std::string> header_lines;  // exactly as received, in order
    std::string body;

    static RecordedRequest parse(std::string_view raw);

    std::vector<std::string> header_names() const;
    // Value of the first line with that name (ASCII case ignored), trimmed of
    // blanks; nullopt when there is no such line.
    std::optional<std::string> header(std::string_view name) const;
    std::size_t count(std::string_view name) const;
};

// Every file of dir whose name starts with prefix, in name order, parsed.
std::vector<RecordedRequest> read_recorded(const std::filesystem::path& dir,
                                           std::string_view prefix);

// Percent-encodes text for use as one query value.
std::string query_value(std::string_view text);

class LocalHttpServer {
public:
    enum class Transport { tls, plain };
    // tls serves the certificate of TestCa::shared().
    explicit LocalHttpServer(Transport transport = Transport::tls);

    int port() const { return process_.port(); }
    // Scheme, host and port followed by path_and_query ("/?status=404").
    std::string url(std::string_view path_and_query = "/") const;
    std::vector<RecordedRequest> requests() const {
        return read_recorded(logs_.path(), "request-");
    }

private:
    Transport transport_;
    TempDir logs_{"vx-http-server"};
    ServerProcess process_;
};

class LocalProxy {
public:
    // With required_credentials ("user:password") a request without them gets 407.
    explicit LocalProxy(std::optional<std::string> required_credentials = std::nullopt);

    int port() const { return process_.port(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(port()); }
    std::vector<RecordedRequest> requests() const { return read_recorded(logs_.path(), "proxy-"); }

private:
    TempDir logs_{"vx-http-proxy"};
    ServerProcess process_;
};

}  // namespace vx::test
