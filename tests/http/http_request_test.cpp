// Exchanges with a real HTTPS server on 127.0.0.1: what goes on the wire for
// each parameter, what comes back, and how failures look to the caller.
#include "http/http_request.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

#include "tests/http/http_test_env.hpp"
#include "tests/support/local_http.hpp"

namespace vx::http {
namespace {

using test::LocalHttpServer;
using test::query_value;
using test::RecordedRequest;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

const std::string user_agent_line =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

class HttpRequestTest : public ::testing::Test {
protected:
    LocalHttpServer& server() { return server_; }

    // The last request the server received.
    RecordedRequest last_request() {
        const std::vector<RecordedRequest> requests = server().requests();
        return requests.empty() ? RecordedRequest{} : requests.back();
    }

    // The four lines a call with only a url sends.
    static std::vector<std::string> default_lines(const std::string& url) {
        return {"Accept: */*", "Referer: " + url, "Accept-Language: zh-cn", user_agent_line};
    }

    test::HttpTestEnv env_;

private:
    LocalHttpServer server_;
};

// Every header line the server got after Host, which the client always sends first.
std::vector<std::string> lines_after_host(const RecordedRequest& request) {
    std::vector<std::string> lines = request.header_lines;
    if (!lines.empty() && lines.front().starts_with("Host:")) {
        lines.erase(lines.begin());
    }
    return lines;
}

struct WireRow {
    const char* name;
    std::function<void(HttpRequest&)> set_up;
    std::string expected_method;
    // Every line expected after Host, in order.
    std::vector<std::string> expected_lines;
    std::string expected_body;
};

TEST_F(HttpRequestTest, request_parameters_put_expected_request_on_wire) {
    const std::string url = server().url("/?body=ok");
    const std::vector<std::string> defaults = default_lines(url);
    auto defaults_then = [&](const std::vector<std::string>& more) {
        std::vector<std::string> lines = defaults;
        lines.insert(lines.end(), more.begin(), more.end());
        return lines;
    };
    const WireRow rows[] = {
        {"only url", [](HttpRequest&) {}, "GET", defaults, ""},
        {"method 9 is get", [](HttpRequest& r) { r.method = 9; }, "GET", defaults, ""},
        {"method -1 is get", [](HttpRequest& r) { r.method = -1; }, "GET", defaults, ""},
        {"head", [](HttpRequest& r) { r.method = method_head; }, "HEAD", defaults, ""},
        {"delete", [](HttpRequest& r) { r.method = method_delete; }, "DELETE", defaults, ""},
        {"post adds form content type",
         [](HttpRequest& r) {
             r.method = method_post;
             r.body = "a=1";
         },
         "POST",
         defaults_then({"Content-Type: application/x-www-form-urlencoded", "Content-Length: 3"}),
         "a=1"},
        {"put adds no content type",
         [](HttpRequest& r) {
             r.method = method_put;
             r.body = "x";
         },
         "PUT", defaults_then({"Content-Length: 1"}), "x"},
        {"accept marker found ignoring case",
         [](HttpRequest& r) { r.headers = "accept: text/html"; },
         "GET",
         {"Accept: text/html", "Referer: " + url, "Accept-Language: zh-cn", user_agent_line},
         ""},
        {"longer name counts as accept marker",
         [](HttpRequest& r) { r.headers = "X-Accept: 1"; },
         "GET",
         {"X-Accept: 1", "Referer: " + url, "Accept-Language: zh-cn", user_agent_line},
         ""},
        {"header names capitalised",
         [](HttpRequest& r) { r.headers = "x-my-header: 1"; },
         "GET",
         {"X-My-Header: 1", "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
          user_agent_line},
         ""},
        {"names kept when fix_header_case off",
         [](HttpRequest& r) {
             r.headers = "x-my-header: 1";
             r.fix_header_case = false;
             r.add_default_headers = false;
         },
         "GET",
         {"x-my-header: 1"},
         ""},
        {"line without colon sets nothing",
         [](HttpRequest& r) { r.headers = "no colon here\r\nx-a: 1"; },
         "GET",
         {"X-A: 1", "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn", user_agent_line},
         ""},
        {"lone line without colon and no defaults sends nothing",
         [](HttpRequest& r) {
             r.headers = "no colon here";
             r.add_default_headers = false;
         },
         "GET",
         {},
         ""},
        {"lone keep-alive line is sent",
         [](HttpRequest& r) {
             r.headers = "Connection: keep-alive";
             r.add_default_headers = false;
         },
         "GET",
         {"Connection: keep-alive"},
         ""},
        {"keep-alive among several lines is skipped",
         [](HttpRequest& r) {
             r.headers = "Connection: keep-alive\r\nX-A: 1";
             r.add_default_headers = false;
         },
         "GET",
         {"X-A: 1"},
         ""},
        {"later line replaces same name",
         [](HttpRequest& r) {
             r.headers = "X-A: 1\r\nX-B: 2\r\nx-a: 3";
             r.add_default_headers = false;
         },
         "GET",
         {"X-A: 3", "X-B: 2"},
         ""},
        {"unsafe header name refused",
         [](HttpRequest& r) {
             r.headers = "Bad Name: 1\r\nX-A: 1";
             r.add_default_headers = false;
         },
         "GET",
         {"X-A: 1"},
         ""},
        {"cookie marker text sends value after one space",
         [](HttpRequest& r) { r.cookies = "Cookie: a=1"; },
         "GET",
         {"Cookie:  a=1", "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
          user_agent_line},
         ""},
        {"empty cookies send empty cookie header",
         [](HttpRequest& r) { r.cookies = ""; },
         "GET",
         {"Cookie:", "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn", user_agent_line},
         ""},
        {"cookie line of header text replaces cookies",
         [](HttpRequest& r) {
             r.cookies = "a=1";
             r.headers = "Cookie: b=2";
             r.add_default_headers = false;
         },
         "GET",
         {"Cookie: b=2"},
         ""},
        {"body bytes win over body",
         [](HttpRequest& r) {
             r.method = method_post;
             r.body = "text";
             r.body_bytes = std::string("\0\x01\xFFraw", 6);
             r.headers = "Content-Type: application/octet-stream";
         },
         "POST",
         {"Content-Type: application/octet-stream", "Accept: */*", "Referer: " + url,
          "Accept-Language: zh-cn", user_agent_line, "Content-Length: 6"},
         std::string("\0\x01\xFFraw", 6)},
        {"proxy user without proxy sets no credentials",
         [](HttpRequest& r) {
             r.proxy_user = "user";
             r.proxy_password = "secret";
         },
         "GET", defaults, ""},
    };
    for (const WireRow& row : rows) {
        HttpRequest request;
        request.url = url;
        row.set_up(request);
        const std::string body = http_request(request);
        EXPECT_EQ(request.status, 200) << row.name << ": " << request.error;
        EXPECT_EQ(body, request.method == method_head ? "" : "ok") << row.name;
        const RecordedRequest received = last_request();
        EXPECT_EQ(received.method, row.expected_method) << row.name;
        EXPECT_THAT(lines_after_host(received), ElementsAreArray(row.expected_lines)) << row.name;
        EXPECT_EQ(received.body, row.expected_body) << row.name;
    }
}

TEST_F(HttpRequestTest, reply_gives_body_status_and_header_lines) {
    HttpRequest request;
    request.url = server().url("/?status=201&body=hello&header=" + query_value("X-Reply: yes"));
    EXPECT_EQ(http_request(request), "hello");
    EXPECT_EQ(request.status, 201);
    EXPECT_EQ(request.reply_headers, "X-Reply: yes\r\nContent-Length: 5");
    EXPECT_EQ(request.error, "");
}

TEST_F(HttpRequestTest, error_status_still_returns_body) {
    HttpRequest request;
    request.url = server().url("/?status=404&body=missing");
    EXPECT_EQ(http_request(request), "missing");
    EXPECT_EQ(request.status, 404);
}

TEST_F(HttpRequestTest, redirect_is_followed_and_only_final_headers_returned) {
    const std::string final_path = "/?body=final&header=" + query_value("X-Final: 1");
    HttpRequest request;
    request.url =
        server().url("/?status=302&body=moved&header=" + query_value("Location: " + final_path) +
                     "&header=" + query_value("Set-Cookie: hop=1"));
    EXPECT_EQ(http_request(request), "final");
    EXPECT_EQ(request.status, 200);
    EXPECT_EQ(request.reply_headers, "X-Final: 1\r\nContent-Length: 5");
    EXPECT_EQ(request.reply_cookies, "");
    const std::vector<RecordedRequest> received = server().requests();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].target, final_path);
}

TEST_F(HttpRequestTest, no_redirect_returns_redirect_reply) {
    HttpRequest request;
    request.url =
        server().url("/?status=301&body=moved&header=" + query_value("Location: /?body=final"));
    request.no_redirect = true;
    EXPECT_EQ(http_request(request), "moved");
    EXPECT_EQ(request.status, 301);
    EXPECT_EQ(request.reply_headers, "Location: /?body=final\r\nContent-Length: 5");
    EXPECT_EQ(server().requests().size(), 1u);
}

struct CookieRow {
    const char* name;
    std::optional<std::string> cookies;
    std::optional<bool> merge;
    std::vector<std::string> reply_lines;
    std::optional<std::string> expected_cookies;
    std::string expected_reply_cookies;
};

TEST_F(HttpRequestTest, reply_cookies_are_gathered_and_merged) {
    const CookieRow rows[] = {
        {"merge example",
         "a=1; b=2",
         std::nullopt,
         {"Set-Cookie: b=3; Path=/", "Set-Cookie: c=deleted"},
         "b=3; a=1",
         "b=3; a=1"},
        {"omitted cookies gather only",
         std::nullopt,
         std::nullopt,
         {"Set-Cookie: a=1; Path=/", "Set-Cookie: b=2"},
         std::nullopt,
         "a=1; b=2"},
        {"lower case and missing space not gathered",
         std::nullopt,
         std::nullopt,
         {"set-cookie: x=1", "Set-Cookie:y=1", "Set-Cookie: z=1"},
         std::nullopt,
         "z=1"},
        {"merge off leaves stripped caller text",
         "Cookie: a=1",
         false,
         {"Set-Cookie: b=2"},
         " a=1",
         "b=2"},
        {"merge trims marker text",
         "Cookie: a=1",
         std::nullopt,
         {"Set-Cookie: b=2"},
         "b=2; a=1",
         "b=2; a=1"},
        {"empty cookies take reply cookies",
         "",
         std::nullopt,
         {"Set-Cookie: a=1; Path=/", "Set-Cookie: a=1", "Set-Cookie: d=deleted"},
         "a=1",
         "a=1"},
    };
    for (const CookieRow& row : rows) {
        std::string query = "/?body=ok";
        for (const std::string& line : row.reply_lines) {
            query += "&header=" + query_value(line);
        }
        HttpRequest request;
        request.url = server().url(query);
        request.cookies = row.cookies;
        request.merge_cookies = row.merge;
        http_request(request);
        EXPECT_EQ(request.status, 200) << row.name;
        EXPECT_EQ(request.cookies, row.expected_cookies) << row.name;
        EXPECT_EQ(request.reply_cookies, row.expected_reply_cookies) << row.name;
    }
}

TEST_F(HttpRequestTest, timeout_values_all_complete_a_normal_exchange) {
    for (const std::int32_t timeout : {-1, 0, -5, 1, 30}) {
        HttpRequest request;
        request.url = server().url("/?body=ok");
        request.timeout = timeout;
        EXPECT_EQ(http_request(request), "ok") << timeout;
        EXPECT_EQ(request.status, 200) << timeout;
    }
}

TEST_F(HttpRequestTest, request_object_is_reused_without_keeping_options) {
    RequestObject object;
    ASSERT_TRUE(object.valid());
    HttpRequest first;
    first.url = server().url("/?status=302&header=" + query_value("Location: /?body=final"));
    first.request_object = &object;
    first.no_redirect = true;
    first.headers = "X-First: 1";
    first.method = method_post;
    first.body = "payload";
    http_request(first);
    EXPECT_EQ(first.status, 302);

    HttpRequest second;
    second.url = server().url("/?status=302&header=" + query_value("Location: /?body=final"));
    second.request_object = &object;
    EXPECT_EQ(http_request(second), "final");
    EXPECT_EQ(second.status, 200);
    const RecordedRequest received = last_request();
    EXPECT_EQ(received.method, "GET");
    EXPECT_EQ(received.header("X-First"), std::nullopt);
    EXPECT_EQ(received.body, "");
}

TEST_F(HttpRequestTest, calls_on_several_threads_complete_independently) {
    constexpr int thread_count = 4;
    constexpr int calls_per_thread = 3;
    std::vector<std::string> bodies(thread_count * calls_per_thread);
    std::vector<std::thread> threads;
    for (int t = 0; t < thread_count; ++t) {
        threads.emplace_back([&, t] {
            RequestObject object;
            for (int call = 0; call < calls_per_thread; ++call) {
                const int index = t * calls_per_thread + call;
                HttpRequest request;
                request.url = server().url("/?body=n" + std::to_string(index));
                // Every other call brings its own object, the rest reuse one per thread.
                request.request_object = call % 2 == 0 ? &object : nullptr;
                bodies[static_cast<std::size_t>(index)] = http_request(request);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (std::size_t index = 0; index < bodies.size(); ++index) {
        EXPECT_EQ(bodies[index], "n" + std::to_string(index));
    }
    EXPECT_EQ(server().requests().size(), bodies.size());
}

}  // namespace
}  // namespace vx::http
