#include "http/base64.hpp"

namespace vx::http {

std::string base64_encode(std::string_view bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t at = 0;
    for (; at + 3 <= bytes.size(); at += 3) {
        const unsigned group = static_cast<unsigned char>(bytes[at]) << 16 |
                               static_cast<unsigned char>(bytes[at + 1]) << 8 |
                               static_cast<unsigned char>(bytes[at + 2]);
        encoded += alphabet[(group >> 18) & 0x3F];
        encoded += alphabet[(group >> 12) & 0x3F];
        encoded += alphabet[(group >> 6) & 0x3F];
        encoded += alphabet[group & 0x3F];
    }
    const std::size_t rest = bytes.size() - at;
    if (rest > 0) {
        unsigned group = static_cast<unsigned char>(bytes[at]) << 16;
        if (rest == 2) {
            group |= static_cast<unsigned char>(bytes[at + 1]) << 8;
        }
        encoded += alphabet[(group >> 18) & 0x3F];
        encoded += alphabet[(group >> 12) & 0x3F];
        encoded += rest == 2 ? alphabet[(group >> 6) & 0x3F] : '=';
        encoded += '=';
    }
    return encoded;
}

}  // namespace vx::http
