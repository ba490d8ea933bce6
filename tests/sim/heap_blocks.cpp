// The installer's heap blocks in the test build: those of `new (std::nothrow)` and those of
// `realloc` (the test binaries link with realloc and free wrapped) are recorded here until freed,
// so that a scenario's "all released" check covers them beside the simulated Windows' blocks and
// handles. Every other allocation (the tests', the simulated Windows', the standard library's) is
// not recorded.
#include <cstdlib>
#include <iterator>
#include <new>

#include "sim_windows.h"

namespace {

struct BlockSet {  // a fixed table: allocating here would come back through the hooks
  void* blocks[1 << 16];
  size_t count = 0;
  uint32_t inBucket[1 << 16] = {};  // blocks recorded per bucket: most frees need no search

  static size_t Bucket(void* block) { return (reinterpret_cast<uintptr_t>(block) >> 4) & 0xFFFF; }
  void Record(void* block) {
    if (count == std::size(blocks)) std::abort();  // a leak in a loop: fail loudly
    blocks[count++] = block;
    ++inBucket[Bucket(block)];
  }
  void Forget(void* block) {
    if (inBucket[Bucket(block)] == 0) return;
    for (size_t i = count; i-- > 0;) {
      if (blocks[i] == block) {
        blocks[i] = blocks[--count];
        --inBucket[Bucket(block)];
        return;
      }
    }
  }
};

BlockSet g_newBlocks;           // new (std::nothrow)
BlockSet g_reallocBlocks;       // realloc
int g_blocksBeforeFailure = 0;  // counts nothrow allocations down to a failure; 0: none

void* AllocateRecorded(size_t bytes) {
  if (g_blocksBeforeFailure > 0 && --g_blocksBeforeFailure == 0) return nullptr;
  void* block = std::malloc(bytes ? bytes : 1);
  if (block) g_newBlocks.Record(block);
  return block;
}

}  // namespace

namespace qv::sim {
size_t LiveHeapBlocks() { return g_newBlocks.count; }
size_t LiveReallocBlocks() { return g_reallocBlocks.count; }
void FailNthHeapBlock(int n) { g_blocksBeforeFailure = n; }
int HeapBlocksBeforeFailure() { return g_blocksBeforeFailure; }
}  // namespace qv::sim

void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return AllocateRecorded(bytes); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
  return AllocateRecorded(bytes);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }

extern "C" void* __real_realloc(void* block, size_t bytes);
extern "C" void __real_free(void* block);

extern "C" void* __wrap_realloc(void* block, size_t bytes) {
  void* moved = __real_realloc(block, bytes);
  if (moved && block) g_reallocBlocks.Forget(block);
  if (moved) g_reallocBlocks.Record(moved);
  return moved;
}

extern "C" void __wrap_free(void* block) {
  if (!block) return;
  g_newBlocks.Forget(block);
  g_reallocBlocks.Forget(block);
  __real_free(block);
}
