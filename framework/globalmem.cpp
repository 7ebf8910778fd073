#include "framework/globalmem.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace fw {

struct GlobalBlock {
  void* data = nullptr;
  std::size_t size = 0;
  UINT locks = 0;
};

}  // namespace fw

namespace {

// Handles are checked against the live blocks, so a stale or foreign handle or
// address is refused instead of being followed.
struct Registry {
  std::mutex mutex;
  std::unordered_set<fw::GlobalBlock*> blocks;
  std::unordered_map<const void*, fw::GlobalBlock*> byAddress;
};

Registry& Blocks() {
  static Registry* r = new Registry;
  return *r;
}

// Blocks larger than this are refused outright: nothing in the program needs
// them and they would only come from corrupt sizes.
constexpr std::size_t kMaxBlock = std::size_t{1} << 31;

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  if (bytes > kMaxBlock) return nullptr;
  const std::size_t n = bytes ? bytes : 1;
  void* data = (flags & GMEM_ZEROINIT) ? std::calloc(1, n) : std::malloc(n);
  if (!data) return nullptr;
  auto* b = new (std::nothrow) fw::GlobalBlock;
  if (!b) {
    std::free(data);
    return nullptr;
  }
  b->data = data;
  b->size = bytes;
  Registry& r = Blocks();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.blocks.insert(b);
  r.byAddress[data] = b;
  return b;
}

LPVOID GlobalLock(HGLOBAL block) {
  Registry& r = Blocks();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (!r.blocks.count(block)) return nullptr;
  ++block->locks;
  return block->data;
}

BOOL GlobalUnlock(HGLOBAL block) {
  Registry& r = Blocks();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (!r.blocks.count(block) || block->locks == 0) return FALSE;
  --block->locks;
  return block->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalHandle(const void* address) {
  if (!address) return nullptr;
  Registry& r = Blocks();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byAddress.find(address);
  return it == r.byAddress.end() ? nullptr : it->second;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags) {
  if (bytes > kMaxBlock) return nullptr;
  Registry& r = Blocks();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (!r.blocks.count(block)) return nullptr;
  if (block->locks > 0 && !(flags & GMEM_MOVEABLE)) {
    // A locked block keeps its address: it may only shrink in place.
    if (bytes > block->size) return nullptr;
    block->size = bytes;
    return block;
  }
  void* data = std::realloc(block->data, bytes ? bytes : 1);
  if (!data) return nullptr;
  if ((flags & GMEM_ZEROINIT) && bytes > block->size) {
    std::memset(static_cast<char*>(data) + block->size, 0, bytes - block->size);
  }
  r.byAddress.erase(block->data);
  block->data = data;
  block->size = bytes;
  r.byAddress[data] = block;
  return block;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  Registry& r = Blocks();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (!r.blocks.count(block)) return block;
  r.byAddress.erase(block->data);
  r.blocks.erase(block);
  std::free(block->data);
  delete block;
  return nullptr;
}

std::size_t GlobalSize(HGLOBAL block) {
  Registry& r = Blocks();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.blocks.count(block) ? block->size : 0;
}

UINT GlobalLockCount(HGLOBAL block) {
  Registry& r = Blocks();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.blocks.count(block) ? block->locks : 0;
}
