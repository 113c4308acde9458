// Zero-initialised memory for the conversion's block buffer, held in the
// conversion fields as a handle from the start of a run to its end. Callers
// lock it for the length of one use and unlock it afterwards, so the buffer
// is only ever reached through the handle the run owns.
#pragma once

#include <cstddef>

struct BlockMemory;     // opaque: a heap block that remembers its size
typedef BlockMemory* BlockHandle;

// Allocates `bytes` zeroed bytes. Returns the handle, or null when `bytes` is
// 0 or the memory is not available. The caller frees it with BlockFree.
BlockHandle BlockAlloc(size_t bytes);

// Locks the block; returns its first byte, or null for a null handle. Every
// successful lock is paired with BlockUnlock.
void* BlockLock(BlockHandle block);
void BlockUnlock(BlockHandle block);

// Usable size of the block in bytes (what was asked for); 0 for null.
size_t BlockSize(BlockHandle block);

// Frees the block (null is accepted); returns null to store back.
BlockHandle BlockFree(BlockHandle block);
