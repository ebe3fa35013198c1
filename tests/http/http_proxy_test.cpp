// Exchanges through a real forward proxy on 127.0.0.1: a named proxy, the
// proxy variables of the environment, and proxy or server credentials.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "http/http_request.hpp"
#include "tests/http/http_test_env.hpp"
#include "tests/support/local_http.hpp"

namespace vx::http {
namespace {

using test::LocalHttpServer;
using test::LocalProxy;
using test::RecordedRequest;
using ::testing::StartsWith;

// Base64 of "user:pa ss" and of "user:pw".
constexpr const char* proxy_authorization = "Basic dXNlcjpwYSBzcw==";
constexpr const char* server_authorization = "Basic dXNlcjpwdw==";

class HttpProxyTest : public ::testing::Test {
protected:
    test::HttpTestEnv env_;
    LocalHttpServer server_;
};

TEST_F(HttpProxyTest, tunnel_carries_proxy_credentials_to_proxy_only) {
    LocalProxy proxy("user:pa ss");
    HttpRequest request;
    request.url = server_.url("/?body=through");
    request.proxy = proxy.address();
    request.proxy_user = "user";
    request.proxy_password = "pa ss";
    EXPECT_EQ(http_request(request), "through");
    EXPECT_EQ(request.status, 200) << request.error;
    EXPECT_EQ(request.reply_headers, "Content-Length: 7");

    const std::vector<RecordedRequest> seen = proxy.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "CONNECT");
    EXPECT_EQ(seen[0].target, "127.0.0.1:" + std::to_string(server_.port()));
    EXPECT_EQ(seen[0].header("Proxy-Authorization"), proxy_authorization);
    EXPECT_EQ(seen[0].count("Proxy-Authorization"), 1u);
    const std::vector<RecordedRequest> received = server_.requests();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].header("Proxy-Authorization"), std::nullopt);
    EXPECT_EQ(received[0].header("Authorization"), std::nullopt);
}

TEST_F(HttpProxyTest, plain_request_through_proxy_carries_proxy_credentials) {
    LocalHttpServer plain(LocalHttpServer::Transport::plain);
    LocalProxy proxy("user:pa ss");
    HttpRequest request;
    request.url = plain.url("/?body=plain");
    request.proxy = proxy.address();
    request.proxy_user = "user";
    request.proxy_password = "pa ss";
    EXPECT_EQ(http_request(request), "plain");
    EXPECT_EQ(request.status, 200) << request.error;

    const std::vector<RecordedRequest> seen = proxy.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].target, request.url);
    EXPECT_EQ(seen[0].header("Proxy-Authorization"), proxy_authorization);
    EXPECT_EQ(seen[0].count("Proxy-Authorization"), 1u);
    EXPECT_EQ(seen[0].header("Referer"), request.url);
}

TEST_F(HttpProxyTest, wrong_proxy_credentials_fail_the_tunnel) {
    LocalProxy proxy("user:right");
    HttpRequest request;
    request.url = server_.url("/");
    request.proxy = proxy.address();
    request.proxy_user = "user";
    request.proxy_password = "wrong";
    EXPECT_EQ(http_request(request), "");
    EXPECT_EQ(request.status, 0);
    EXPECT_EQ(request.reply_headers, "");
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(HttpProxyTest, server_credentials_answer_server_challenge_only) {
    LocalHttpServer plain(LocalHttpServer::Transport::plain);
    LocalProxy proxy;
    HttpRequest request;
    request.url = plain.url("/?auth=user:pw&body=welcome");
    request.proxy = proxy.address();
    request.proxy_user = "user";
    request.proxy_password = "pw";
    request.credentials_target = 0;
    EXPECT_EQ(http_request(request), "welcome");
    EXPECT_EQ(request.status, 200) << request.error;

    const std::vector<RecordedRequest> received = plain.requests();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].header("Authorization"), std::nullopt);
    EXPECT_EQ(received[1].header("Authorization"), server_authorization);
    for (const RecordedRequest& seen : proxy.requests()) {
        EXPECT_EQ(seen.header("Proxy-Authorization"), std::nullopt);
    }
}

TEST_F(HttpProxyTest, environment_proxy_applies_when_no_proxy_given) {
    LocalProxy proxy;
    env_.set("https_proxy", "http://" + proxy.address());
    HttpRequest request;
    request.url = server_.url("/?body=env");
    EXPECT_EQ(http_request(request), "env");
    EXPECT_EQ(request.status, 200) << request.error;
    const std::vector<RecordedRequest> seen = proxy.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "CONNECT");
}

TEST_F(HttpProxyTest, given_proxy_overrides_environment_and_no_proxy) {
    LocalProxy proxy;
    env_.set("https_proxy", "http://127.0.0.1:9");
    env_.set("no_proxy", "127.0.0.1,localhost");
    HttpRequest request;
    request.url = server_.url("/?body=named");
    request.proxy = proxy.address();
    EXPECT_EQ(http_request(request), "named");
    EXPECT_EQ(request.status, 200) << request.error;
    const std::vector<RecordedRequest> seen = proxy.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_THAT(seen[0].target, StartsWith("127.0.0.1:"));
}

}  // namespace
}  // namespace vx::http
