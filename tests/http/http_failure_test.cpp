// Exchanges that fail: refused and silent servers, untrusted certificates,
// oversized replies, URLs the client must not follow. A failure reaches the
// caller as an empty body, status 0 and empty reply headers.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "http/http_request.hpp"
#include "tests/http/http_test_env.hpp"
#include "tests/support/local_http.hpp"

namespace vx::http {
namespace {

using test::LocalHttpServer;
using test::query_value;
using ::testing::HasSubstr;

// A TCP socket listening on 127.0.0.1 that never accepts: the kernel completes
// the connection, nobody ever answers.
class SilentListener {
public:
    SilentListener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(fd_, 8) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("SilentListener: cannot listen");
        }
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { close(fd_); }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A loopback port that nothing listens on.
int closed_port() {
    SilentListener listener;
    return listener.port();
}

void expect_failed(const HttpRequest& request, const std::string& body, const char* row) {
    EXPECT_EQ(body, "") << row;
    EXPECT_EQ(request.status, 0) << row;
    EXPECT_EQ(request.reply_headers, "") << row;
    EXPECT_NE(request.error, "") << row;
}

class HttpFailureTest : public ::testing::Test {
protected:
    test::HttpTestEnv env_;
    LocalHttpServer server_;
};

TEST_F(HttpFailureTest, refused_connection_gives_empty_reply_and_merges_nothing) {
    HttpRequest request;
    request.url = "https://127.0.0.1:" + std::to_string(closed_port()) + "/";
    request.cookies = " b=1; a=deleted; b=1;";
    const std::string body = http_request(request);
    EXPECT_EQ(body, "");
    EXPECT_EQ(request.status, 0);
    EXPECT_EQ(request.reply_headers, "");
    EXPECT_THAT(request.error, HasSubstr("connect"));
    EXPECT_EQ(request.cookies, "b=1");
    EXPECT_EQ(request.reply_cookies, "b=1");
}

TEST_F(HttpFailureTest, silent_server_ends_with_timeout) {
    SilentListener listener;
    struct Row {
        const char* name;
        std::string url;
    };
    const Row rows[] = {
        {"no reply to the request", server_.url("/?hang=1")},
        {"no answer to the TLS handshake", "https://127.0.0.1:" + std::to_string(listener.port())},
    };
    for (const Row& row : rows) {
        HttpRequest request;
        request.url = row.url;
        request.timeout = 1;
        const std::string body = http_request(request);
        expect_failed(request, body, row.name);
        EXPECT_EQ(request.reply_cookies, "") << row.name;
        EXPECT_THAT(request.error, HasSubstr("Timeout was reached")) << row.name;
    }
}

TEST_F(HttpFailureTest, untrusted_certificate_is_refused_unless_ignored) {
    const test::TestCa other_ca;
    struct Row {
        const char* name;
        std::optional<std::string> bundle;
    };
    const Row rows[] = {
        {"system store", std::nullopt},
        {"another CA", other_ca.ca_cert_path().string()},
    };
    for (const Row& row : rows) {
        test::HttpTestEnv env;
        env.set("CURL_CA_BUNDLE", row.bundle);
        env.set("SSL_CERT_FILE", row.bundle);

        HttpRequest refused;
        refused.url = server_.url("/?body=secret");
        const std::string body = http_request(refused);
        expect_failed(refused, body, row.name);
        EXPECT_THAT(refused.error, HasSubstr("certificate")) << row.name;

        HttpRequest accepted;
        accepted.url = server_.url("/?body=secret");
        accepted.ignore_certificate_errors = true;
        EXPECT_EQ(http_request(accepted), "secret") << row.name;
        EXPECT_EQ(accepted.status, 200) << row.name;
    }
}

TEST_F(HttpFailureTest, reply_body_over_cap_fails_the_exchange) {
    struct Row {
        const char* name;
        std::string query;
        std::size_t cap;
        std::optional<std::size_t> expected_size;  // nullopt: the exchange fails
    };
    const Row rows[] = {
        {"length over cap", "/?size=1001", 1000, std::nullopt},
        {"chunked over cap", "/?size=1001&chunked=1", 1000, std::nullopt},
        {"length at cap", "/?size=1000", 1000, 1000},
        {"chunked at cap", "/?size=1000&chunked=1", 1000, 1000},
        {"default cap takes 2 MB", "/?size=2097152", default_max_body_bytes, 2097152},
    };
    for (const Row& row : rows) {
        HttpRequest request;
        request.url = server_.url(row.query);
        request.max_body_bytes = row.cap;
        const std::string body = http_request(request);
        if (row.expected_size) {
            EXPECT_EQ(request.status, 200) << row.name << ": " << request.error;
            EXPECT_EQ(body, std::string(*row.expected_size, 'x')) << row.name;
        } else {
            expect_failed(request, body, row.name);
            EXPECT_THAT(request.error, HasSubstr("larger than 1000 bytes")) << row.name;
        }
    }
}

TEST_F(HttpFailureTest, urls_outside_http_are_refused) {
    LocalHttpServer plain(LocalHttpServer::Transport::plain);
    struct Row {
        const char* name;
        std::string url;
    };
    const Row rows[] = {
        {"empty", ""},
        {"not a url", "not a url"},
        {"local file", "file:///etc/hostname"},
        {"secure start redirected to plain http",
         server_.url("/?status=302&header=" + query_value("Location: " + plain.url("/")))},
    };
    for (const Row& row : rows) {
        HttpRequest request;
        request.url = row.url;
        const std::string body = http_request(request);
        expect_failed(request, body, row.name);
    }
    EXPECT_TRUE(plain.requests().empty());
}

TEST_F(HttpFailureTest, request_object_without_handle_fails_but_writes_results) {
    RequestObject object;
    RequestObject taken = std::move(object);
    HttpRequest request;
    request.url = server_.url("/");
    request.request_object = &object;
    request.cookies = "a=1;";
    request.reply_headers = "stale";
    request.status = 7;
    const std::string body = http_request(request);
    expect_failed(request, body, "moved-from object");
    EXPECT_EQ(request.cookies, "a=1");
    EXPECT_EQ(request.reply_cookies, "a=1");
    EXPECT_TRUE(server_.requests().empty());
}

}  // namespace
}  // namespace vx::http
