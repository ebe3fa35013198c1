#include "tests/support/local_http.hpp"

#include <algorithm>

#include "tests/support/test_ca.hpp"

namespace vx::test {
namespace {

std::string script(const char* name) {
    return std::string(VX_TEST_SUPPORT_DIR) + "/" + name;
}

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

std::string trim_blanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::string line_name(std::string_view line) {
    return trim_blanks(line.substr(0, std::min(line.find(':'), line.size())));
}

std::vector<std::string> server_command(LocalHttpServer::Transport transport, const TempDir& logs) {
    std::vector<std::string> argv = {"python3", script("http_test_server.py"), "--log-dir",
                                     logs.str()};
    if (transport == LocalHttpServer::Transport::tls) {
        const TestCa& ca = TestCa::shared();
        argv.insert(argv.end(), {"--cert", ca.server_cert_path().string(), "--key",
                                 ca.server_key_path().string()});
    }
    return argv;
}

std::vector<std::string> proxy_command(const TempDir& logs,
                                       const std::optional<std::string>& credentials) {
    std::vector<std::string> argv = {"python3", script("forward_proxy.py"), "--log-dir",
                                     logs.str()};
    if (credentials) {
        argv.insert(argv.end(), {"--require-auth", *credentials});
    }
    return argv;
}

}  // namespace

RecordedRequest RecordedRequest::parse(std::string_view raw) {
    RecordedRequest request;
    const std::size_t head_end = raw.find("\r\n\r\n");
    std::string_view head = raw.substr(0, head_end);
    if (head_end != std::string_view::npos) {
        request.body = std::string(raw.substr(head_end + 4));
    }
    bool first = true;
    while (!head.empty()) {
        const std::size_t end = std::min(head.find("\r\n"), head.size());
        const std::string_view line = head.substr(0, end);
        head.remove_prefix(std::min(end + 2, head.size()));
        if (first) {
            const std::size_t space = line.find(' ');
            request.method = std::string(line.substr(0, space));
            const std::string_view rest = line.substr(std::min(space + 1, line.size()));
            request.target = std::string(rest.substr(0, rest.find(' ')));
            first = false;
        } else {
            request.header_lines.emplace_back(line);
        }
    }
    return request;
}

std::vector<std::string> RecordedRequest::header_names() const {
    std::vector<std::string> names;
    for (const std::string& line : header_lines) {
        names.push_back(line_name(line));
    }
    return names;
}

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
    for (const std::string& line : header_lines) {
        if (lower(line_name(line)) == lower(name)) {
            const std::size_t colon = line.find(':');
            return colon == std::string::npos
                       ? std::string()
                       : trim_blanks(std::string_view(line).substr(colon + 1));
        }
    }
    return std::nullopt;
}

std::size_t RecordedRequest::count(std::string_view name) const {
    const std::vector<std::string> names = header_names();
    return static_cast<std::size_t>(std::count_if(
        names.begin(), names.end(), [&](const auto& n) { return lower(n) == lower(name); }));
}

std::vector<RecordedRequest> read_recorded(const std::filesystem::path& dir,
                                           std::string_view prefix) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.ends_with(".txt")) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<RecordedRequest> requests;
    for (const auto& file : files) {
        requests.push_back(RecordedRequest::parse(read_file(file)));
    }
    return requests;
}

std::string query_value(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0F];
        }
    }
    return encoded;
}

LocalHttpServer::LocalHttpServer(Transport transport)
    : transport_(transport), process_(server_command(transport, logs_)) {}

std::string LocalHttpServer::url(std::string_view path_and_query) const {
    return std::string(transport_ == Transport::tls ? "https" : "http") +
           "://127.0.0.1:" + std::to_string(port()) + std::string(path_and_query);
}

LocalProxy::LocalProxy(std::optional<std::string> required_credentials)
    : process_(proxy_command(logs_, required_credentials)) {}

}  // namespace vx::test
