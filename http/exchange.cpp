#include "http/exchange.hpp"

#include <curl/curl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/text.hpp"

namespace vx::http {
namespace {

// The client's own limits when the caller asks for none: what the usual
// platform request objects use (one minute to connect, 30 seconds of silence).
constexpr long own_connect_timeout_ms = 60'000;
constexpr long own_stall_seconds = 30;
// Reply header lines of a whole exchange (every redirect counted) beyond this
// are an attack, not a server.
constexpr std::size_t max_header_bytes = 1 << 20;
constexpr long max_redirects = 10;

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

// Appends one line; false when libcurl is out of memory.
bool append(Slist& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) {
        return false;
    }
    list.release();
    list.reset(grown);
    return true;
}

// libcurl drops a "Name:" line whose value is blank; "Name;" sends it empty.
std::string header_line(const HeaderField& field) {
    if (text::trim(field.value).find_first_not_of(" \t") == std::string::npos) {
        return field.name + ";";
    }
    return field.name + ": " + field.value;
}

struct HeaderLists {
    Slist server;
    Slist proxy;
    bool ok = true;
};

// Proxy-Authorization goes to the proxy only, never through a tunnel to the
// server. The removal lines keep libcurl from adding headers of its own.
HeaderLists build_header_lists(const RequestHeaderList& headers) {
    HeaderLists lists;
    for (const HeaderField& field : headers.fields()) {
        Slist& list = text::equals_ignoring_case(field.name, "Proxy-Authorization") ? lists.proxy
                                                                                    : lists.server;
        lists.ok = lists.ok && append(list, header_line(field));
    }
    for (const char* own : {"Accept", "Content-Type", "Expect"}) {
        if (!headers.contains(own)) {
            lists.ok = lists.ok && append(lists.server, std::string(own) + ":");
        }
    }
    return lists;
}

struct ReplyCollector {
    std::size_t max_body_bytes = 0;
    std::string body;
    std::vector<std::string> header_lines;  // of the reply seen last
    std::size_t header_bytes = 0;
    bool body_too_large = false;
    bool headers_too_large = false;
};

std::size_t collect_header(char* data, std::size_t size, std::size_t count, void* user) {
    auto& reply = *static_cast<ReplyCollector*>(user);
    const std::size_t length = size * count;
    reply.header_bytes += length;
    if (reply.header_bytes > max_header_bytes) {
        reply.headers_too_large = true;
        return 0;
    }
    std::string_view line(data, length);
    while (line.ends_with('\n') || line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    if (line.starts_with("HTTP/")) {
        // A new reply starts (redirect, 100 Continue): only the last one counts.
        reply.header_lines.clear();
        reply.body.clear();
    } else if (!line.empty()) {
        reply.header_lines.emplace_back(line);
    }
    return length;
}

std::size_t collect_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto& reply = *static_cast<ReplyCollector*>(user);
    const std::size_t length = size * count;
    if (length > reply.max_body_bytes || reply.body.size() > reply.max_body_bytes - length) {
        reply.body_too_large = true;
        return 0;  // makes libcurl give up the transfer
    }
    reply.body.append(data, length);
    return length;
}

// Connections are opened close-on-exec, so a command started meanwhile never
// inherits one.
curl_socket_t open_socket(void*, curlsocktype, curl_sockaddr* address) {
    return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

const char* environment_value(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? value : nullptr;
}

// libcurl itself reads no CA variables; the curl tool's order is kept.
void apply_trust_store(CURL* curl, bool verify) {
    const long on = verify ? 1L : 0L;
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, on);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
    curl_easy_setopt(curl, CURLOPT_PROXY_SSL_VERIFYPEER, on);
    curl_easy_setopt(curl, CURLOPT_PROXY_SSL_VERIFYHOST, verify ? 2L : 0L);
    const char* bundle = environment_value("CURL_CA_BUNDLE");
    if (bundle == nullptr) {
        bundle = environment_value("SSL_CERT_FILE");
    }
    if (bundle != nullptr) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, bundle);
        curl_easy_setopt(curl, CURLOPT_PROXY_CAINFO, bundle);
    }
    if (const char* folder = environment_value("SSL_CERT_DIR")) {
        curl_easy_setopt(curl, CURLOPT_CAPATH, folder);
        curl_easy_setopt(curl, CURLOPT_PROXY_CAPATH, folder);
    }
}

void apply_timeouts(CURL* curl, const std::optional<std::int64_t>& timeout_ms) {
    long connect_ms = own_connect_timeout_ms;
    long stall_seconds = own_stall_seconds;
    if (timeout_ms) {
        // Resolve and connect (TLS included) within t; then no t-long silence
        // while sending or receiving; the four phases together bound the whole.
        const std::int64_t t = std::max<std::int64_t>(*timeout_ms, 1);
        connect_ms = static_cast<long>(t);
        stall_seconds = static_cast<long>(std::max<std::int64_t>(1, (t + 999) / 1000));
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(4 * t));
    }
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connect_ms);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, stall_seconds);
}

void apply_method_and_body(CURL* curl, const ExchangeSettings& settings) {
    const std::string method(settings.method);
    const bool carries_body = !settings.body.empty() || method == "POST" || method == "PUT";
    if (method == "HEAD") {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        return;
    }
    if (!carries_body) {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(settings.body.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, settings.body.data());
    }
    // libcurl knows a plain GET and a POST; every other request line is named.
    if (method != "POST" && (method != "GET" || carries_body)) {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    }
}

void apply_proxy(CURL* curl, const ExchangeSettings& settings) {
    if (settings.proxy.empty()) {
        return;
    }
    const std::string proxy(settings.proxy);
    curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
    // A named proxy takes every request: no_proxy from the environment does not apply.
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
}

void apply_credentials(CURL* curl, const std::optional<Credentials>& credentials) {
    if (!credentials) {
        return;
    }
    if (credentials->target == CredentialsTarget::proxy) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, credentials->user.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, credentials->password.c_str());
    } else {
        // Two methods make libcurl wait for the server's challenge before it
        // answers with the credentials.
        curl_easy_setopt(curl, CURLOPT_USERNAME, credentials->user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, credentials->password.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
    }
}

std::string failure_text(CURLcode code, const ReplyCollector& reply, const char* detail,
                         std::size_t max_body_bytes) {
    if (reply.body_too_large || code == CURLE_FILESIZE_EXCEEDED) {
        return "reply body larger than " + std::to_string(max_body_bytes) + " bytes";
    }
    if (reply.headers_too_large) {
        return "reply headers larger than " + std::to_string(max_header_bytes) + " bytes";
    }
    std::string error = curl_easy_strerror(code);
    if (detail != nullptr && *detail != '\0') {
        error += ": ";
        error += detail;
    }
    return error;
}

}  // namespace

ExchangeReply run_exchange(void* handle, const ExchangeSettings& settings) {
    ExchangeReply result;
    CURL* curl = handle;
    HeaderLists lists = build_header_lists(settings.headers);
    if (!lists.ok) {
        result.error = "out of memory";
        return result;
    }
    const std::string url(settings.url);
    const bool secure_start = text::starts_with_ignoring_case(url, "https:");
    ReplyCollector reply;
    reply.max_body_bytes = settings.max_body_bytes;
    char detail[CURL_ERROR_SIZE] = {};

    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, open_socket);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // Like a browser: a secure start never continues over plain HTTP.
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure_start ? "https" : "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, settings.follow_redirects ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, max_redirects);
    // HTTP/1.1 keeps the reply's header names as the server wrote them.
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(curl, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, lists.server.get());
    curl_easy_setopt(curl, CURLOPT_PROXYHEADER, lists.proxy.get());
    apply_timeouts(curl, settings.timeout_ms);
    apply_proxy(curl, settings);
    apply_credentials(curl, settings.credentials);
    apply_trust_store(curl, !settings.ignore_certificate_errors);
    apply_method_and_body(curl, settings);
    if (settings.method != "HEAD" && settings.max_body_bytes > 0) {
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(settings.max_body_bytes));
    }
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, collect_header);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    // Nothing of this call (buffers, lists, callbacks) may stay behind in the handle.
    curl_easy_reset(curl);

    if (code != CURLE_OK) {
        result.error = failure_text(code, reply, detail, settings.max_body_bytes);
        return result;
    }
    result.completed = true;
    result.body = std::move(reply.body);
    result.status = static_cast<std::int32_t>(status);
    for (std::size_t at = 0; at < reply.header_lines.size(); ++at) {
        if (at > 0) {
            result.headers += text::crlf;
        }
        result.headers += reply.header_lines[at];
    }
    return result;
}

}  // namespace vx::http
