// Movable, zero-initialised memory for the conversion's block buffer. The
// buffer is held in ConverterState as an HGLOBAL; on Windows it is global
// memory (GlobalAlloc), in the native build a heap block that remembers its
// size. Callers lock it for the length of one use, as with global memory.
#pragma once

#include <cstddef>

#include "app/platform_types.h"

// Allocates `bytes` zeroed bytes. Returns the handle, or null when `bytes` is
// 0 or the memory is not available. The caller frees it with BlockFree.
HGLOBAL BlockAlloc(size_t bytes);

// Locks the block; returns its first byte, or null for a null handle or a
// failed lock. Every successful lock is paired with BlockUnlock.
void* BlockLock(HGLOBAL block);
void BlockUnlock(HGLOBAL block);

// Usable size of the block in bytes (at least what was asked for); 0 for null.
size_t BlockSize(HGLOBAL block);

// Frees the block (null is accepted); returns null to store back.
HGLOBAL BlockFree(HGLOBAL block);
