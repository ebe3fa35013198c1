#pragma once
// The request methods a caller picks by index.
#include <cstdint>
#include <string_view>

namespace vx::http {

inline constexpr std::int32_t method_get = 0;
inline constexpr std::int32_t method_post = 1;
inline constexpr std::int32_t method_head = 2;
inline constexpr std::int32_t method_put = 3;
inline constexpr std::int32_t method_options = 4;
inline constexpr std::int32_t method_delete = 5;
inline constexpr std::int32_t method_trace = 6;
inline constexpr std::int32_t method_connect = 7;

// An index below 0 or above 7 is taken as GET.
inline std::int32_t normalize_method(std::int32_t method) {
    return (method < method_get || method > method_connect) ? method_get : method;
}

inline std::string_view method_name(std::int32_t method) {
    static constexpr std::string_view names[] = {"GET",     "POST",   "HEAD",  "PUT",
                                                 "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    return names[normalize_method(method)];
}

}  // namespace vx::http
