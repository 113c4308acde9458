// Movable, zero-initialised memory for the block buffer: global memory on
// Windows, a size-prefixed heap block in the native build.
#include "convert/block_memory.h"

#ifdef _WIN32

HGLOBAL BlockAlloc(size_t bytes) {
    if (bytes == 0) return nullptr;
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
}

void* BlockLock(HGLOBAL block) { return block ? GlobalLock(block) : nullptr; }

void BlockUnlock(HGLOBAL block) {
    if (block) GlobalUnlock(block);
}

size_t BlockSize(HGLOBAL block) { return block ? GlobalSize(block) : 0; }

HGLOBAL BlockFree(HGLOBAL block) {
    if (block) GlobalFree(block);
    return nullptr;
}

#else

#include <cstdlib>

namespace {

// The native block starts with its size, padded so the data stay aligned.
struct BlockPrefix {
    alignas(std::max_align_t) size_t bytes;
};

BlockPrefix* PrefixOf(HGLOBAL block) { return static_cast<BlockPrefix*>(block); }

}  // namespace

HGLOBAL BlockAlloc(size_t bytes) {
    if (bytes == 0 || bytes > static_cast<size_t>(-1) - sizeof(BlockPrefix)) return nullptr;
    void* raw = std::calloc(1, sizeof(BlockPrefix) + bytes);
    if (!raw) return nullptr;
    static_cast<BlockPrefix*>(raw)->bytes = bytes;
    return raw;
}

void* BlockLock(HGLOBAL block) { return block ? PrefixOf(block) + 1 : nullptr; }

void BlockUnlock(HGLOBAL) {}

size_t BlockSize(HGLOBAL block) { return block ? PrefixOf(block)->bytes : 0; }

HGLOBAL BlockFree(HGLOBAL block) {
    std::free(block);
    return nullptr;
}

#endif
