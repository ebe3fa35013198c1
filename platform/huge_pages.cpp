#include "platform/huge_pages.hpp"

#include <sys/mman.h>

#include <cstdint>

namespace vx::platform {

void prefer_huge_pages(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t huge_page = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + huge_page - 1) & ~(huge_page - 1);
    const std::uintptr_t last = (start + size) & ~(huge_page - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)size;
#endif
}

}  // namespace vx::platform
