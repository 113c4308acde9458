// Block buffer memory: a size-prefixed, zeroed heap block; see block_memory.h.
#include "engine/block_memory.h"

#include <cstdlib>

// The block starts with its size, padded so the data stay aligned.
struct BlockMemory {
    alignas(std::max_align_t) size_t bytes;
};

BlockHandle BlockAlloc(size_t bytes) {
    if (bytes == 0 || bytes > static_cast<size_t>(-1) - sizeof(BlockMemory)) return nullptr;
    void* raw = std::calloc(1, sizeof(BlockMemory) + bytes);
    if (!raw) return nullptr;
    BlockHandle block = static_cast<BlockHandle>(raw);
    block->bytes = bytes;
    return block;
}

void* BlockLock(BlockHandle block) { return block ? block + 1 : nullptr; }

void BlockUnlock(BlockHandle) {}

size_t BlockSize(BlockHandle block) { return block ? block->bytes : 0; }

BlockHandle BlockFree(BlockHandle block) {
    std::free(block);
    return nullptr;
}
