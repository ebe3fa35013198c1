#pragma once
// Collects what a command prints: the pipe is read straight into blocks that
// grow from 64 KiB to 16 MiB, and the whole is handed over as one text at the
// end. Nothing is copied while the command runs, and a big output (100 MB)
// costs one copy instead of the repeated copies of a doubling string.
//
// Thread use: owned by one run of the command runner.
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vx::core {

class OutputCollector {
public:
    // Room for the next read: the free tail of the current block.
    std::span<char> room();
    // Keeps the first `size` bytes written into the last room().
    void commit(std::size_t size);

    std::size_t size() const { return total_; }

    // Everything kept, in order, as one text; the collector is empty afterwards.
    std::string take();

private:
    struct Block {
        std::unique_ptr<char[]> data;
        std::size_t capacity = 0;
        std::size_t used = 0;
    };
    std::vector<Block> blocks_;
    std::size_t total_ = 0;
};

}  // namespace vx::core
