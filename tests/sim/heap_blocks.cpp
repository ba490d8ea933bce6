// The installer's `new (std::nothrow)` blocks in the test build, recorded until freed so that a
// scenario's "all released" check covers them beside the simulated Windows' blocks and handles;
// those blocks and the simulated Windows' own carry guard bytes on both sides, checked when they
// are freed: a write one byte outside such a block ends the test binary.
#include <algorithm>
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
int g_blocksBeforeFailure = 0;  // counts nothrow allocations down to a failure; 0: none

// A guarded block: its size, guard bytes up to the block (16 bytes keep malloc's alignment), the
// block, and guard bytes after it.
constexpr size_t kHead = 16;
constexpr size_t kTail = 16;
constexpr unsigned char kGuardByte = 0xA5;

bool GuardKept(const unsigned char* guard, size_t bytes) {
  return std::all_of(guard, guard + bytes, [](unsigned char b) { return b == kGuardByte; });
}

void* AllocateRecorded(size_t bytes) {
  if (g_blocksBeforeFailure > 0 && --g_blocksBeforeFailure == 0) return nullptr;
  void* block = qv::sim::AllocateGuarded(bytes);
  if (block) g_newBlocks.Record(block);
  return block;
}

void DeleteRecorded(void* block) {
  if (block && g_newBlocks.Forget(block)) return qv::sim::FreeGuarded(block);
  std::free(block);
}

}  // namespace

namespace qv::sim {
void* AllocateGuarded(size_t bytes) {
  auto* raw = static_cast<unsigned char*>(std::calloc(1, kHead + bytes + kTail));
  if (!raw) return nullptr;
  std::memcpy(raw, &bytes, sizeof bytes);
  std::memset(raw + sizeof bytes, kGuardByte, kHead - sizeof bytes);
  std::memset(raw + kHead + bytes, kGuardByte, kTail);
  return raw + kHead;
}
void FreeGuarded(void* block) {
  auto* raw = static_cast<unsigned char*>(block) - kHead;
  const size_t bytes = *reinterpret_cast<const size_t*>(raw);
  const bool before = GuardKept(raw + sizeof bytes, kHead - sizeof bytes);
  if (!before || !GuardKept(raw + kHead + bytes, kTail)) {
    std::fprintf(stderr, "A write %s a block of %zu bytes\n", before ? "after" : "before", bytes);
    std::abort();  // stderr is unbuffered
  }
  std::free(raw);
}
size_t LiveHeapBlocks() { return g_newBlocks.count; }
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
