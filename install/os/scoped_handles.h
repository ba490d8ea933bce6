// Owners of the handles and blocks that the installer gets from Windows through the seam.
// Each closes or frees what it holds when it goes out of scope, on every path.
#pragma once

#include <cstring>
#include <utility>

#include "os/windows_api.h"

namespace qv {

// A generic owner: `Traits` names the empty value and how to close.
template <typename Traits>
class ScopedResource {
 public:
  using Value = typename Traits::Value;

  ScopedResource() = default;
  explicit ScopedResource(Value value) : value_(value) {}
  ~ScopedResource() { Reset(); }
  ScopedResource(ScopedResource&& other) noexcept : value_(other.Release()) {}
  ScopedResource& operator=(ScopedResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ScopedResource(const ScopedResource&) = delete;
  ScopedResource& operator=(const ScopedResource&) = delete;

  Value Get() const { return value_; }
  bool IsValid() const { return value_ != Traits::Empty(); }
  explicit operator bool() const { return IsValid(); }
  // For out-parameters: releases what is held and hands out the slot.
  Value* Receive() {
    Reset();
    return &value_;
  }
  Value Release() { return std::exchange(value_, Traits::Empty()); }
  void Reset(Value value = Traits::Empty()) {
    if (IsValid()) Traits::Close(value_);
    value_ = value;
  }

 private:
  Value value_ = Traits::Empty();
};

struct KernelHandleTraits {  // files: INVALID_HANDLE_VALUE is empty
  using Value = HANDLE;
  static Value Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(Value v) { Os().CloseHandle(v); }
};
struct SyncHandleTraits {  // mutexes, processes, threads: null is empty
  using Value = HANDLE;
  static Value Empty() { return nullptr; }
  static void Close(Value v) { Os().CloseHandle(v); }
};
struct ServiceHandleTraits {
  using Value = SC_HANDLE;
  static Value Empty() { return nullptr; }
  static void Close(Value v) { Os().CloseServiceHandle(v); }
};
struct PrinterHandleTraits {
  using Value = HANDLE;
  static Value Empty() { return nullptr; }
  static void Close(Value v) { Os().ClosePrinter(v); }
};
struct RegKeyTraits {
  using Value = HKEY;
  static Value Empty() { return nullptr; }
  static void Close(Value v) { Os().RegCloseKey(v); }
};
struct GlobalBlockTraits {
  using Value = HGLOBAL;
  static Value Empty() { return nullptr; }
  static void Close(Value v) { Os().GlobalFree(v); }
};
struct LocalBlockTraits {
  using Value = HLOCAL;
  static Value Empty() { return nullptr; }
  static void Close(Value v) { Os().LocalFree(v); }
};
struct EnvironmentBlockTraits {  // CreateEnvironmentBlock's
  using Value = LPVOID;
  static Value Empty() { return nullptr; }
  static void Close(Value v) { Os().DestroyEnvironmentBlock(v); }
};
struct SessionListTraits {  // WTSEnumerateSessionsW's
  using Value = PWTS_SESSION_INFOW;
  static Value Empty() { return nullptr; }
  static void Close(Value v) { Os().WTSFreeMemory(v); }
};

using ScopedFile = ScopedResource<KernelHandleTraits>;
using ScopedHandle = ScopedResource<SyncHandleTraits>;
using ScopedServiceHandle = ScopedResource<ServiceHandleTraits>;
using ScopedPrinter = ScopedResource<PrinterHandleTraits>;
using ScopedRegKey = ScopedResource<RegKeyTraits>;
using GlobalBlock = ScopedResource<GlobalBlockTraits>;
using LocalBlock = ScopedResource<LocalBlockTraits>;
using EnvironmentBlock = ScopedResource<EnvironmentBlockTraits>;
using SessionList = ScopedResource<SessionListTraits>;

// A zero-filled GMEM_FIXED block of `bytes`; on failure the last error is E_OUTOFMEMORY and the
// block is empty.
inline GlobalBlock AllocateZeroedBlock(SIZE_T bytes) {
  GlobalBlock block(Os().GlobalAlloc(GMEM_FIXED, bytes));
  if (!block) {
    Os().SetLastError(static_cast<DWORD>(E_OUTOFMEMORY));
  } else {
    std::memset(block.Get(), 0, bytes);
  }
  return block;
}

}  // namespace qv
