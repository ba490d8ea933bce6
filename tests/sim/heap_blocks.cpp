// The installer's heap blocks in the test build: those of `new (std::nothrow)` and those of
// `realloc` (the test binaries link with realloc and free wrapped) are recorded here until freed,
// so that a scenario's "all released" check covers them beside the simulated Windows' blocks and
// handles. Every other allocation (the tests', the simulated Windows', the standard library's) is
// not recorded. The installer's `new (std::nothrow)` blocks and the simulated Windows' own blocks
// (GlobalAlloc, LocalAlloc and the blocks its calls hand out) carry guard bytes on both sides,
// checked when they are freed: a write one byte outside such a block ends the test binary.
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
  bool Forget(void* block) {
    if (inBucket[Bucket(block)] == 0) return false;
    for (size_t i = count; i-- > 0;) {
      if (blocks[i] == block) {
        blocks[i] = blocks[--count];
        --inBucket[Bucket(block)];
        return true;
      }
    }
    return false;
  }
};

BlockSet g_newBlocks;           // new (std::nothrow)
BlockSet g_reallocBlocks;       // realloc
int g_blocksBeforeFailure = 0;  // counts nothrow allocations down to a failure; 0: none

extern "C" void __real_free(void* block);

// A guarded block: its size, guard bytes up to the block (16 bytes keep malloc's alignment), the
// block, and guard bytes after it.
constexpr size_t kHead = 16;
constexpr size_t kTail = 16;
constexpr unsigned char kGuardByte = 0xA5;

bool GuardKept(const unsigned char* guard, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) {
    if (guard[i] != kGuardByte) return false;
  }
  return true;
}

void* AllocateRecorded(size_t bytes) {
  if (g_blocksBeforeFailure > 0 && --g_blocksBeforeFailure == 0) return nullptr;
  void* block = qv::sim::AllocateGuarded(bytes);
  if (block) g_newBlocks.Record(block);
  return block;
}

void DeleteRecorded(void* block) {
  if (block && g_newBlocks.Forget(block)) {
    qv::sim::FreeGuarded(block);
  } else {
    std::free(block);
  }
}

}  // namespace

namespace qv::sim {
void* AllocateGuarded(size_t bytes) {
  auto* raw = static_cast<unsigned char*>(std::malloc(kHead + bytes + kTail));
  if (!raw) return nullptr;
  std::memcpy(raw, &bytes, sizeof bytes);
  std::memset(raw + sizeof bytes, kGuardByte, kHead - sizeof bytes);
  std::memset(raw + kHead + bytes, kGuardByte, kTail);
  return raw + kHead;
}
void FreeGuarded(void* block) {
  auto* raw = static_cast<unsigned char*>(block) - kHead;
  size_t bytes = 0;
  std::memcpy(&bytes, raw, sizeof bytes);
  const bool before = GuardKept(raw + sizeof bytes, kHead - sizeof bytes);
  if (!before || !GuardKept(raw + kHead + bytes, kTail)) {
    std::fprintf(stderr, "A write %s a block of %u bytes\n", before ? "past the end of" : "before",
                 static_cast<unsigned>(bytes));
    std::fflush(stderr);
    std::abort();
  }
  __real_free(raw);
}
size_t LiveHeapBlocks() { return g_newBlocks.count; }
size_t LiveReallocBlocks() { return g_reallocBlocks.count; }
void FailNthHeapBlock(int n) { g_blocksBeforeFailure = n; }
int HeapBlocksBeforeFailure() { return g_blocksBeforeFailure; }
}  // namespace qv::sim

void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return AllocateRecorded(bytes); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
  return AllocateRecorded(bytes);
}
void operator delete(void* block) noexcept { DeleteRecorded(block); }
void operator delete(void* block, size_t) noexcept { DeleteRecorded(block); }
void operator delete[](void* block) noexcept { DeleteRecorded(block); }
void operator delete[](void* block, size_t) noexcept { DeleteRecorded(block); }

extern "C" void* __real_realloc(void* block, size_t bytes);

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
