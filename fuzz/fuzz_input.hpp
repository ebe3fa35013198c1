#pragma once
// What every fuzz target shares: an input is a readable text, optionally
// followed by extra fields, each after a NUL byte ("text\0field0\0field1"). A
// seed taken from a test is then just the text, and the fuzzer still reaches
// the extra fields by inserting NULs. A broken property aborts, which the
// fuzzer records as a crash with the input that caused it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace vx::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) {
        std::string_view rest(reinterpret_cast<const char*>(data), size);
        std::size_t nul = rest.find('\0');
        text_ = rest.substr(0, nul);
        while (nul != std::string_view::npos) {
            rest.remove_prefix(nul + 1);
            nul = rest.find('\0');
            fields_.push_back(rest.substr(0, nul));
        }
    }

    std::string_view text() const { return text_; }
    // Extra field index, or fallback when the input has none there.
    std::string_view field(std::size_t index, std::string_view fallback) const {
        return index < fields_.size() ? fields_[index] : fallback;
    }

private:
    std::string_view text_;
    std::vector<std::string_view> fields_;
};

[[noreturn]] inline void property_failed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, condition);
    std::abort();
}

}  // namespace vx::fuzz

#define VX_FUZZ_CHECK(condition)                                         \
    do {                                                                 \
        if (!(condition)) {                                              \
            ::vx::fuzz::property_failed(#condition, __FILE__, __LINE__); \
        }                                                                \
    } while (false)
