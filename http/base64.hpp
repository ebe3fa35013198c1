#pragma once
// Base64 with the standard alphabet and "=" padding, used for the
// Proxy-Authorization credentials.
#include <string>
#include <string_view>

namespace vx::http {

// An empty input gives an empty text.
std::string base64_encode(std::string_view bytes);

}  // namespace vx::http
