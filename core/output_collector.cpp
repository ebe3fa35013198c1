#include "core/output_collector.hpp"

#include "platform/huge_pages.hpp"

#include <algorithm>

namespace vx::core {
namespace {

constexpr std::size_t first_block = std::size_t{64} << 10;
constexpr std::size_t largest_block = std::size_t{16} << 20;
// A block with less room than this is full: a read into a sliver costs a
// system call for a few bytes.
constexpr std::size_t smallest_room = std::size_t{4} << 10;
// From this size on, fresh memory is asked for in huge pages: faulting in a
// big buffer 4 KiB at a time costs more than filling it from the pipe.
constexpr std::size_t huge_page_size = std::size_t{2} << 20;

}  // namespace

std::span<char> OutputCollector::room() {
    if (blocks_.empty() || blocks_.back().capacity - blocks_.back().used < smallest_room) {
        const std::size_t capacity =
            blocks_.empty() ? first_block : std::min(blocks_.back().capacity * 2, largest_block);
        Block block{std::make_unique_for_overwrite<char[]>(capacity), capacity, 0};
        if (capacity >= huge_page_size) {
            platform::prefer_huge_pages(block.data.get(), capacity);
        }
        blocks_.push_back(std::move(block));
    }
    Block& block = blocks_.back();
    return {block.data.get() + block.used, block.capacity - block.used};
}

void OutputCollector::commit(std::size_t size) {
    Block& block = blocks_.back();
    size = std::min(size, block.capacity - block.used);
    block.used += size;
    total_ += size;
}

std::string OutputCollector::take() {
    std::string text;
    text.reserve(total_);
    if (total_ >= huge_page_size) {
        platform::prefer_huge_pages(text.data(), text.capacity());
    }
    for (const Block& block : blocks_) {
        text.append(block.data.get(), block.used);
    }
    blocks_.clear();
    total_ = 0;
    return text;
}

}  // namespace vx::core
