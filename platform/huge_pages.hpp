#pragma once
// Memory advice for big buffers.
#include <cstddef>

namespace vx::platform {

// Asks the system to back the 2 MiB-aligned interior of [data, data + size)
// with huge pages. Faulting in a big buffer 4 KiB at a time costs more than
// filling it from a pipe; a refusal changes nothing but speed.
void prefer_huge_pages(void* data, std::size_t size);

}  // namespace vx::platform
