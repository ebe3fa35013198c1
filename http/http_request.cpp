#include "http/http_request.hpp"

#include <optional>

#include "core/text.hpp"
#include "http/base64.hpp"
#include "http/cookies.hpp"
#include "http/exchange.hpp"
#include "http/headers.hpp"

namespace vx::http {
namespace {

constexpr std::int32_t credentials_for_server = 0;
constexpr std::int32_t credentials_for_proxy = 1;

// The caller's header text, completed and capitalised as asked, set line by
// line. A lone "Connection: keep-alive" line is sent; among several lines it
// is left out, since the client keeps connections alive by itself.
void set_header_lines(RequestHeaderList& list, const std::string& header_text) {
    if (header_text.find(text::crlf) == std::string::npos) {
        list.set(header_name(header_text), header_value(header_text));
        return;
    }
    for (const std::string& piece : text::split(header_text, text::crlf)) {
        if (piece.empty()) {
            continue;
        }
        const std::string name = header_name(piece);
        const std::string value = header_value(piece);
        if (name == "Connection" && value == "keep-alive") {
            continue;
        }
        list.set(name, value);
    }
}

std::optional<Credentials> proxy_credentials(const HttpRequest& request, std::int32_t target,
                                             RequestHeaderList& list) {
    if (request.proxy.empty() || request.proxy_user.empty()) {
        return std::nullopt;
    }
    if (target != credentials_for_proxy && target != credentials_for_server) {
        return std::nullopt;  // no such target: the credentials are refused
    }
    Credentials credentials;
    credentials.user = request.proxy_user;
    credentials.password = request.proxy_password;
    credentials.target =
        target == credentials_for_proxy ? CredentialsTarget::proxy : CredentialsTarget::server;
    if (target == credentials_for_proxy) {
        list.set("Proxy-Authorization",
                 "Basic " + base64_encode(request.proxy_user + ":" + request.proxy_password));
    }
    return credentials;
}

}  // namespace

std::optional<std::int64_t> timeout_milliseconds(std::int32_t timeout) {
    if (timeout == -1) {
        return std::nullopt;
    }
    return timeout < 1 ? default_timeout_ms : std::int64_t{timeout} * 1000;
}

std::string http_request(HttpRequest& request) {
    const bool merge_cookies = request.merge_cookies.value_or(true);
    const bool add_default_headers = request.add_default_headers.value_or(true);
    const bool fix_header_case = request.fix_header_case.value_or(true);
    const std::int32_t credentials_target =
        request.credentials_target.value_or(credentials_for_proxy);
    const std::int32_t method = normalize_method(request.method);

    std::optional<RequestObject> own_object;
    RequestObject* object = request.request_object;
    if (object == nullptr) {
        own_object.emplace();
        if (!own_object->valid()) {
            return {};
        }
        object = &*own_object;
    }

    ExchangeSettings settings;
    settings.method = method_name(method);
    settings.url = request.url;
    settings.timeout_ms = timeout_milliseconds(request.timeout);
    settings.proxy = request.proxy;
    settings.follow_redirects = !request.no_redirect;
    settings.ignore_certificate_errors = request.ignore_certificate_errors;
    settings.max_body_bytes = request.max_body_bytes;

    std::string header_text = request.headers;
    if (add_default_headers) {
        header_text = add_default_header_lines(header_text, request.url, method);
    }
    if (fix_header_case) {
        header_text = capitalize_header_names(header_text);
    }
    settings.credentials = proxy_credentials(request, credentials_target, settings.headers);
    if (request.cookies) {
        *request.cookies = strip_cookie_markers(*request.cookies);
        settings.headers.set("Cookie", *request.cookies);
    }
    set_header_lines(settings.headers, header_text);
    settings.body = request.body_bytes.empty() ? request.body : request.body_bytes;

    ExchangeReply reply;
    if (object->valid()) {
        reply = run_exchange(object->native_handle(), settings);
    } else {
        reply.error = "the request object has no handle";
    }
    request.reply_headers = std::move(reply.headers);
    request.status = reply.status;
    request.error = std::move(reply.error);

    request.reply_cookies = gather_reply_cookies(request.reply_headers);
    if (merge_cookies && request.cookies) {
        const std::string merged = merge_cookie_text(*request.cookies, request.reply_cookies);
        *request.cookies = merged;
        request.reply_cookies = merged;
    }
    return std::move(reply.body);
}

}  // namespace vx::http
