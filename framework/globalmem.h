// Global memory blocks: movable blocks reached through a handle and locked to
// get their address, as the device-independent bitmaps and the clipboard use
// them.
#pragma once

#include <cstddef>

#include "framework/wintypes.h"

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// A new block of bytes (at least one); null when it cannot be had.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// The block's address; every lock needs its unlock. Null for a bad handle.
LPVOID GlobalLock(HGLOBAL block);
// TRUE while the block is still locked after this unlock, FALSE once it is not.
BOOL GlobalUnlock(HGLOBAL block);
// The handle of the block that starts at address; null for any other address.
HGLOBAL GlobalHandle(const void* address);
// Resizes the block; an unlocked block may move, a locked one only with
// GMEM_MOVEABLE. GMEM_ZEROINIT clears the added bytes. Null on failure, and the
// block is then unchanged.
HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags);
// Null on success, the handle again when it is not a block.
HGLOBAL GlobalFree(HGLOBAL block);
// The block's size in bytes, 0 for a bad handle.
std::size_t GlobalSize(HGLOBAL block);
// The block's lock count.
UINT GlobalLockCount(HGLOBAL block);
