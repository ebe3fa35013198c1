#pragma once
// One HTTP exchange on a libcurl easy handle: the wire-level half of
// http_request(). It sends exactly the headers of the list (libcurl's own
// Accept, Content-Type and Expect are suppressed unless the list sets them),
// verifies certificates unless told otherwise, caps the reply and hands back
// only the final reply's header lines.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "http/headers.hpp"

namespace vx::http {

// Who SetCredentials-style credentials are for.
enum class CredentialsTarget { server, proxy };

struct Credentials {
    CredentialsTarget target = CredentialsTarget::proxy;
    std::string user;
    std::string password;
};

struct ExchangeSettings {
    std::string_view method;  // a name of the method table
    std::string_view url;
    std::string_view body;
    // Milliseconds for each phase; nullopt keeps the client's own limits.
    std::optional<std::int64_t> timeout_ms;
    std::string_view proxy;  // empty: http_proxy / https_proxy / no_proxy apply
    std::optional<Credentials> credentials;
    bool follow_redirects = true;
    bool ignore_certificate_errors = false;
    std::size_t max_body_bytes = 0;
    RequestHeaderList headers;
};

struct ExchangeReply {
    bool completed = false;
    std::string body;
    std::int32_t status = 0;
    std::string headers;  // final reply's "Name: value" lines, CR LF separated
    std::string error;    // why the exchange failed; empty when it completed
};

// Runs the exchange on handle (a CURL*). The handle's options are reset before
// and after, so it keeps only its connection and session caches.
ExchangeReply run_exchange(void* handle, const ExchangeSettings& settings);

}  // namespace vx::http
