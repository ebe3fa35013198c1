#pragma once
// The bytes vx_child_helper prints for "out N": ten-byte records "000000042\n"
// counting up, cut at N bytes. A lost, doubled or reordered piece shows.
#include <cstdio>
#include <string>

namespace vx::test {

inline std::string pattern_bytes(std::size_t size) {
    std::string bytes;
    bytes.reserve(size + 10);
    char record[16];
    for (std::size_t index = 0; bytes.size() < size; ++index) {
        std::snprintf(record, sizeof record, "%09zu\n", index);
        bytes += record;
    }
    bytes.resize(size);
    return bytes;
}

}  // namespace vx::test
