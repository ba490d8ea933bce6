// The fetch half of the spooler's size-then-fetch queries, for lists that can grow between the
// two calls.
//
// A record added after the sizing call makes the fetch fail with ERROR_INSUFFICIENT_BUFFER and
// report the larger size; the fetch is then made again into a block of that size, a bounded
// number of times, so that a printer added at that moment does not empty the whole list.
#pragma once

#include "os/scoped_handles.h"

namespace qv {

constexpr int kSpoolerFetchAttempts = 4;

enum class FetchOutcome { kFetched, kNoMemory, kFailed };

// Fetches into `block` (zero-filled, `needed` bytes plus `slack`), where `fetch(buffer, size,
// &needed)` is the spooler call. On kNoMemory the last error is E_OUTOFMEMORY, on kFailed it is
// the call's own; `block` is then empty.
template <typename Fetch>
FetchOutcome FetchSpoolerRecords(GlobalBlock& block, DWORD needed, SIZE_T slack, Fetch fetch) {
  for (int attempt = 1;; ++attempt) {
    block = AllocateZeroedBlock(static_cast<SIZE_T>(needed) + slack);
    if (!block) return FetchOutcome::kNoMemory;
    const DWORD size = needed;
    if (fetch(static_cast<LPBYTE>(block.Get()), size, &needed)) return FetchOutcome::kFetched;
    const DWORD error = Os().GetLastError();
    block.Reset();
    const bool grown = error == ERROR_INSUFFICIENT_BUFFER && needed > size;
    if (!grown || attempt == kSpoolerFetchAttempts) {
      Os().SetLastError(error);
      return FetchOutcome::kFailed;
    }
  }
}

}  // namespace qv
