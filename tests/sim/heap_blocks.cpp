// The installer's heap blocks in the test build. The installer allocates only with
// `new (std::nothrow)`; those blocks are recorded here until deleted, so that a scenario's
// "all released" check covers them beside the simulated Windows' blocks and handles. Every other
// allocation (the tests', the simulated Windows', the standard library's) is not recorded.
#include <cstdlib>
#include <new>

#include "heap_blocks.h"

namespace {

constexpr size_t kMaxRecorded = 1 << 16;
void* g_recorded[kMaxRecorded];
size_t g_recordedCount = 0;
int g_blocksBeforeFailure = 0;  // counts nothrow allocations down to a failure; 0: none

void* AllocateRecorded(size_t bytes) {
  if (g_blocksBeforeFailure > 0 && --g_blocksBeforeFailure == 0) return nullptr;
  void* block = std::malloc(bytes ? bytes : 1);
  if (!block) return nullptr;
  if (g_recordedCount == kMaxRecorded) std::abort();  // a leak in a loop: fail loudly
  g_recorded[g_recordedCount++] = block;
  return block;
}

void Release(void* block) {
  for (size_t i = g_recordedCount; i-- > 0;) {
    if (g_recorded[i] == block) {
      g_recorded[i] = g_recorded[--g_recordedCount];
      break;
    }
  }
  std::free(block);
}

void* Allocate(size_t bytes) {
  void* block = std::malloc(bytes ? bytes : 1);
  if (!block) throw std::bad_alloc();
  return block;
}

}  // namespace

namespace qv::sim {
size_t LiveHeapBlocks() { return g_recordedCount; }
void FailNthHeapBlock(int n) { g_blocksBeforeFailure = n; }
int HeapBlocksBeforeFailure() { return g_blocksBeforeFailure; }
}  // namespace qv::sim

void* operator new(size_t bytes) { return Allocate(bytes); }
void* operator new[](size_t bytes) { return Allocate(bytes); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return AllocateRecorded(bytes); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
  return AllocateRecorded(bytes);
}
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, size_t) noexcept { Release(block); }
void operator delete[](void* block, size_t) noexcept { Release(block); }
