// Heap blocks the installer allocated in the test build and has not deleted yet.
#pragma once

#include <cstddef>

namespace qv::sim {
size_t LiveHeapBlocks();
}  // namespace qv::sim
