// Heap blocks the installer allocated in the test build and has not freed yet.
#pragma once

#include <cstddef>

namespace qv::sim {
size_t LiveHeapBlocks();
// Blocks of realloc not freed yet (the text buffers' blocks, which live as long as the buffers).
size_t LiveReallocBlocks();
// Makes the n-th `new (std::nothrow)` from now on fail (answer null); 0 makes none fail. Reads
// back how many are left before it (0 once it has failed).
void FailNthHeapBlock(int n);
int HeapBlocksBeforeFailure();
}  // namespace qv::sim
