// The text rules of a request: header lines, default lines, cookie gathering
// and merging, Base64, methods and timeouts. No network.
#include <gtest/gtest.h>

#include "http/base64.hpp"
#include "http/cookies.hpp"
#include "http/headers.hpp"
#include "http/http_request.hpp"
#include "http/methods.hpp"

namespace vx::http {
namespace {

const std::string user_agent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

TEST(Base64, encodes_standard_alphabet_with_padding) {
    struct Row {
        const char* name;
        std::string bytes, expected;
    };
    const Row rows[] = {
        {"empty", "", ""},
        {"one byte pads twice", "f", "Zg=="},
        {"two bytes pad once", "fo", "Zm8="},
        {"three bytes no pad", "foo", "Zm9v"},
        {"six bytes", "foobar", "Zm9vYmFy"},
        {"credentials", "Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
        {"high bytes use plus and slash", "\xFB\xEF\xFF", "++//"},
        {"utf-8 text", "用户:密", "55So5oi3OuWvhg=="},
        {"zero byte", std::string("\0", 1), "AA=="},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(base64_encode(row.bytes), row.expected) << row.name;
    }
}

TEST(HeaderNameAndValue, split_at_first_colon_and_trim) {
    struct Row {
        const char* name;
        std::string line, expected_name, expected_value;
    };
    const Row rows[] = {
        {"plain", "Accept: */*", "Accept", "*/*"},
        {"blanks around", "  X-A  :  1 2  ", "X-A", "1 2"},
        {"first colon splits", "Referer: https://a:1/b", "Referer", "https://a:1/b"},
        {"no colon", "no colon here", "", ""},
        {"empty", "", "", ""},
        {"empty value", "Cookie:", "Cookie", ""},
        {"full-width space trimmed", "\xE3\x80\x80X: v\xE3\x80\x80", "X", "v"},
        {"tab kept", "X:\tv", "X", "\tv"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(header_name(row.line), row.expected_name) << row.name;
        EXPECT_EQ(header_value(row.line), row.expected_value) << row.name;
    }
}

TEST(CapitalizeHeaderNames, upper_cases_name_starts_and_drops_lines_without_colon) {
    struct Row {
        const char* name;
        std::string text, expected;
    };
    const Row rows[] = {
        {"dashes", "x-my-header: 1", "X-My-Header: 1"},
        {"value untouched", "a: b-c d", "A: b-c d"},
        {"already capital", "Accept: */*", "Accept: */*"},
        {"inner letters stay", "cONTENT-tYPE: x", "CONTENT-TYPE: x"},
        {"name not trimmed", " x-a: 1", " x-A: 1"},
        {"digit after dash", "x-1a: 1", "X-1a: 1"},
        {"leading crlf dropped", "\r\nAccept: */*\r\nReferer: u", "Accept: */*\r\nReferer: u"},
        {"no colon dropped", "junk\r\nx: 1\r\n\r\nmore junk", "X: 1"},
        {"nothing left", "junk\r\n\r\n", ""},
        {"empty", "", ""},
        {"non-ascii untouched", "ü-ö: 1", "ü-ö: 1"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(capitalize_header_names(row.text), row.expected) << row.name;
    }
}

TEST(AddDefaultHeaderLines, appends_missing_lines_in_order) {
    const std::string url = "https://h/p";
    const std::string all_four = "\r\nAccept: */*\r\nReferer: " + url +
                                 "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + user_agent;
    const std::string form = "\r\nContent-Type: application/x-www-form-urlencoded";
    struct Row {
        const char* name;
        std::string headers;
        std::int32_t method;
        std::string expected;
    };
    const Row rows[] = {
        {"empty get", "", method_get, all_four},
        {"empty post adds form type", "", method_post, all_four + form},
        {"put never adds form type", "", method_put, all_four},
        {"accept found ignoring case", "accept: text/html", method_get,
         "accept: text/html\r\nReferer: " + url +
             "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + user_agent},
        {"tail of longer name counts", "X-Accept: 1", method_get,
         "X-Accept: 1\r\nReferer: " + url +
             "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + user_agent},
        {"all present", "ACCEPT: a\r\nreferer: r\r\naccept-language: l\r\nuser-agent: u",
         method_get, "ACCEPT: a\r\nreferer: r\r\naccept-language: l\r\nuser-agent: u"},
        {"post with own type", "content-type: text/plain", method_post,
         "content-type: text/plain" + all_four},
        {"accept-language is no accept marker", "Accept-Language: en", method_get,
         "Accept-Language: en\r\nAccept: */*\r\nReferer: " + url + "\r\nUser-Agent: " + user_agent},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(add_default_header_lines(row.headers, url, row.method), row.expected) << row.name;
    }
}

TEST(RequestHeaderList, replaces_same_name_and_refuses_unsafe_lines) {
    RequestHeaderList list;
    EXPECT_TRUE(list.set("Cookie", "a=1"));
    EXPECT_TRUE(list.set("X-A", "1"));
    EXPECT_TRUE(list.set("cookie", "b=2"));
    EXPECT_FALSE(list.set("", "x"));
    EXPECT_FALSE(list.set("Bad Name", "x"));
    EXPECT_FALSE(list.set("X-B", "1\r\nEvil: 1"));
    EXPECT_FALSE(list.set("X-C", "1\nEvil: 1"));
    EXPECT_FALSE(list.set("X-D", std::string("a\0b", 3)));
    ASSERT_EQ(list.fields().size(), 2u);
    EXPECT_EQ(list.fields()[0].name, "cookie");
    EXPECT_EQ(list.fields()[0].value, "b=2");
    EXPECT_EQ(list.fields()[1].name, "X-A");
    EXPECT_TRUE(list.contains("x-a"));
    EXPECT_FALSE(list.contains("X-B"));
}

TEST(CookieName, is_text_before_equals_trimmed) {
    EXPECT_EQ(cookie_name(" a = 1"), "a");
    EXPECT_EQ(cookie_name("a=1=2"), "a");
    EXPECT_EQ(cookie_name("  flag "), "flag");
    EXPECT_EQ(cookie_name(""), "");
    EXPECT_EQ(cookie_name("=v"), "");
}

TEST(GatherReplyCookies, takes_first_pair_of_exact_set_cookie_lines) {
    struct Row {
        const char* name;
        std::string headers, expected;
    };
    const Row rows[] = {
        {"two lines attributes dropped", "Set-Cookie: a=1; Path=/\r\nSet-Cookie: b=2", "a=1; b=2"},
        {"lower case not gathered", "set-cookie: x=1\r\nSet-Cookie: y=2", "y=2"},
        {"no space after colon not gathered", "Set-Cookie:x=1\r\nSet-Cookie: y=2", "y=2"},
        {"other headers ignored", "Content-Type: text/html\r\nX-Set-Cookie: z=1", ""},
        {"expires comma kept", "Set-Cookie: s=v; Expires=Wed, 21 Oct 2015 07:28:00 GMT", "s=v"},
        {"value trimmed", "Set-Cookie:   t=1   ", "t=1"},
        {"in reply order", "Set-Cookie: b=2\r\nX: y\r\nSet-Cookie: a=1", "b=2; a=1"},
        {"empty", "", ""},
        {"deleted kept here", "Set-Cookie: d=deleted; Max-Age=0", "d=deleted"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gather_reply_cookies(row.headers), row.expected) << row.name;
    }
}

TEST(StripCookieMarkers, removes_every_marker_ignoring_case) {
    EXPECT_EQ(strip_cookie_markers("Cookie: a=1"), " a=1");
    EXPECT_EQ(strip_cookie_markers("cookie:a=1; COOKIE: b=2"), "a=1;  b=2");
    EXPECT_EQ(strip_cookie_markers("a=1"), "a=1");
}

TEST(MergeCookieText, puts_reply_first_then_unset_old_items) {
    struct Row {
        const char* name;
        std::string old_text, new_text, expected;
    };
    const Row rows[] = {
        {"reply overrides and deletes", "a=1; b=2", "b=3; c=deleted", "b=3; a=1"},
        {"nothing new", "a=1; b=2", "", "a=1; b=2"},
        {"nothing old", "", "a=1; b=2", "a=1; b=2"},
        {"both empty", "", "", ""},
        {"old deleted item dropped", "a=deleted; b=1", "", "b=1"},
        {"first old name wins", "a=1; a=2", "", "a=1"},
        {"equal new names stay", "", "a=1; a=2", "a=1; a=2"},
        {"exact duplicates removed", "", "a=1; a=1", "a=1"},
        {"trailing semicolon", "a=1;", "b=2;", "b=2; a=1"},
        {"old trimmed", "  a=1  ", "", "a=1"},
        {"names compared trimmed", "a =1", "a=2", "a=2"},
        {"names case-sensitive", "A=1", "a=2", "a=2; A=1"},
        {"short items kept", "x", "deleted", "deleted; x"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(merge_cookie_text(row.old_text, row.new_text), row.expected) << row.name;
    }
}

TEST(RemoveDuplicateItems, keeps_first_occurrence_of_whole_items) {
    EXPECT_EQ(remove_duplicate_items("a=1; b=2; a=1; A=1", "; "), "a=1; b=2; A=1");
    EXPECT_EQ(remove_duplicate_items("", "; "), "");
    EXPECT_EQ(remove_duplicate_items("x,,x,", ","), "x,");
}

TEST(MethodTable, maps_out_of_range_indexes_to_get) {
    struct Row {
        std::int32_t method;
        std::string_view expected;
    };
    const Row rows[] = {{0, "GET"},     {1, "POST"},   {2, "HEAD"},  {3, "PUT"},
                        {4, "OPTIONS"}, {5, "DELETE"}, {6, "TRACE"}, {7, "CONNECT"},
                        {8, "GET"},     {9, "GET"},    {-1, "GET"},  {INT32_MIN, "GET"}};
    for (const Row& row : rows) {
        EXPECT_EQ(method_name(row.method), row.expected) << row.method;
    }
}

TEST(TimeoutMilliseconds, gives_own_limits_default_or_seconds) {
    EXPECT_EQ(timeout_milliseconds(-1), std::nullopt);
    EXPECT_EQ(timeout_milliseconds(0), 15000);
    EXPECT_EQ(timeout_milliseconds(-5), 15000);
    EXPECT_EQ(timeout_milliseconds(HttpRequest{}.timeout), 15000);
    EXPECT_EQ(timeout_milliseconds(1), 1000);
    EXPECT_EQ(timeout_milliseconds(30), 30000);
    EXPECT_EQ(timeout_milliseconds(INT32_MAX), std::int64_t{INT32_MAX} * 1000);
}

TEST(HttpRequest, omitted_parameters_have_their_defaults) {
    const HttpRequest request;
    EXPECT_EQ(request.method, method_get);
    EXPECT_FALSE(request.cookies.has_value());
    EXPECT_FALSE(request.credentials_target.has_value());
    EXPECT_EQ(request.request_object, nullptr);
    EXPECT_FALSE(request.merge_cookies.has_value());
    EXPECT_FALSE(request.add_default_headers.has_value());
    EXPECT_FALSE(request.fix_header_case.has_value());
    EXPECT_FALSE(request.no_redirect);
    EXPECT_FALSE(request.ignore_certificate_errors);
    EXPECT_EQ(request.max_body_bytes, std::size_t{64} * 1024 * 1024);
}

}  // namespace
}  // namespace vx::http
