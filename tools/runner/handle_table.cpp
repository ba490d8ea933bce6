// The system handle table (SystemExtendedHandleInformation) read through ntdll, counted by owner.
#include "handle_table.h"

#include <cstddef>
#include <vector>

namespace qvrun {
namespace {

constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
constexpr size_t kMaxTableBytes = 64u << 20;

struct HandleEntry {
  PVOID object;
  ULONG_PTR processId;
  ULONG_PTR handle;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG attributes;
  ULONG reserved;
};

struct HandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

QuerySystemInformation BindQuery() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  FARPROC proc = ntdll ? ::GetProcAddress(ntdll, "NtQuerySystemInformation") : nullptr;
  return reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(proc));
}

}  // namespace

DWORD CountHandlesInSystemTable(DWORD processId) {
  static const QuerySystemInformation query = BindQuery();
  if (!query) return 0;
  std::vector<ULONG_PTR> buffer((64u << 10) / sizeof(ULONG_PTR));  // aligned for the entries
  for (;;) {
    const ULONG bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
    ULONG needed = 0;
    const LONG status = query(kSystemExtendedHandleInformation, buffer.data(), bytes, &needed);
    if (status == 0) break;
    if (status != kStatusInfoLengthMismatch || bytes * 2 > kMaxTableBytes) return 0;
    buffer.resize(buffer.size() * 2);
  }
  const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
  const size_t capacity =
      (buffer.size() * sizeof(ULONG_PTR) - offsetof(HandleTable, entries)) / sizeof(HandleEntry);
  const size_t count = table->count < capacity ? table->count : capacity;
  DWORD owned = 0;
  for (size_t i = 0; i < count; ++i) {
    if (table->entries[i].processId == processId) ++owned;
  }
  return owned;
}

}  // namespace qvrun
