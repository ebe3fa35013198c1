#pragma once
// One complete HTTP exchange: builds the request (method, header lines,
// cookies, proxy and proxy credentials, timeouts, redirects), sends it
// synchronously on the calling thread and hands back the reply body, the
// status, the reply's header lines and the cookies the reply set.
//
// Failures are values: a failed exchange gives an empty body, status 0 and
// empty reply headers; nothing throws. Calls share no state, so any thread
// may call; a RequestObject passed in must not be used by two threads at once.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "http/methods.hpp"
#include "http/request_object.hpp"

namespace vx::http {

inline constexpr std::size_t default_max_body_bytes = std::size_t{64} << 20;
inline constexpr std::int64_t default_timeout_ms = 15'000;

// The parameter set of one call, in and out. Where omitting a parameter means
// something else than giving it empty, it is optional.
struct HttpRequest {
    std::string url;                     // in, required; also the default Referer
    std::int32_t method = 0;             // in: index of the method table (methods.hpp)
    std::string body;                    // in: sent when body_bytes is empty
    std::optional<std::string> cookies;  // in/out: omitted means no Cookie header, no merge
    std::string reply_cookies;           // out: cookies the reply set (merged, see below)
    std::string headers;                 // in: "Name: value" lines separated by CR LF
    std::string reply_headers;           // out: the final reply's header lines, CR LF separated
    std::int32_t status = 0;             // out: the reply's status, 0 when the exchange failed
    bool no_redirect = false;            // in: true returns a redirect instead of following it
    std::string body_bytes;              // in: raw body; when not empty it is sent, not body
    std::string proxy;                   // in: "host:port"; empty uses http(s)_proxy / no_proxy
    std::int32_t timeout = 0;            // in: seconds; -1 keeps the client's own, below 1 is 15
    std::string proxy_user;              // in
    std::string proxy_password;          // in
    std::optional<std::int32_t> credentials_target;  // in: 1 proxy (when omitted), 0 server
    RequestObject* request_object = nullptr;         // in: omitted means the call makes its own
    std::optional<bool> merge_cookies;               // in: true when omitted
    std::optional<bool> add_default_headers;         // in: true when omitted
    std::optional<bool> fix_header_case;             // in: true when omitted

    // Certificates are verified against the system's store (or the bundle that
    // CURL_CA_BUNDLE / SSL_CERT_FILE name); only an explicit opt-in skips that.
    bool ignore_certificate_errors = false;
    // A longer reply body fails the exchange, so a server cannot exhaust memory.
    std::size_t max_body_bytes = default_max_body_bytes;
    std::string error;  // out: why the exchange failed; empty after a completed one
};

// Milliseconds for each phase of the exchange: nullopt for -1 (the client's
// own limits), 15000 for anything below 1, otherwise seconds times 1000.
std::optional<std::int64_t> timeout_milliseconds(std::int32_t timeout);

// Runs the exchange and returns the reply body. Writes reply_cookies,
// reply_headers, status and error, and may rewrite cookies. When no request
// object can be made it returns empty bytes and touches none of them.
std::string http_request(HttpRequest& request);

}  // namespace vx::http
