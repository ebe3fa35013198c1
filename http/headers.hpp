#pragma once
// Request header text: the caller's "Name: value" lines separated by CR LF,
// the default lines added to it, name capitalisation, and the ordered list of
// headers that is finally put on the wire.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::http {

// Text before the first ":" of the line, trimmed; empty when there is no ":".
std::string header_name(std::string_view line);

// Text after the first ":" of the line, trimmed; empty when there is no ":".
std::string header_value(std::string_view line);

// Splits the text at CR LF, drops every piece without ":", upper-cases the
// first letter of each name and every letter right after a "-" in it, and
// joins the kept pieces with CR LF (nothing after the last one).
std::string capitalize_header_names(std::string_view text);

// Appends the default lines (Accept, Referer = url, Accept-Language,
// User-Agent, and for POST the form Content-Type) whose name the text lacks.
// A name counts as present when "Name:" occurs anywhere, ignoring case.
std::string add_default_header_lines(std::string_view headers, std::string_view url,
                                     std::int32_t method);

struct HeaderField {
    std::string name;
    std::string value;
};

// The headers a request sends, in the order they were first set. Setting a
// name again (ignoring case) replaces the earlier value in its place.
class RequestHeaderList {
public:
    // An empty name sets nothing. A name that is not an HTTP token, or a value
    // holding CR, LF or NUL, is refused (false) so that no text can smuggle in
    // extra header lines.
    bool set(std::string_view name, std::string_view value);

    bool contains(std::string_view name) const;
    const std::vector<HeaderField>& fields() const { return fields_; }

private:
    std::vector<HeaderField> fields_;
};

}  // namespace vx::http
