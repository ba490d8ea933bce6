// DriverList: the installed printer drivers and the product's among them.
#include "printers/driver_list.h"

#include <cwchar>

#include "context/product.h"
#include "os/spooler_fetch.h"

namespace qv {
namespace {

template <typename Record>
const wchar_t* NameOf(const GlobalBlock& entries, DWORD index) {
  return static_cast<const Record*>(entries.Get())[index].pName;
}

}  // namespace

const wchar_t* DriverList::NameAt(DWORD index) const {
  if (!entries || index >= count) return nullptr;
  switch (level) {
    case 1:
      return NameOf<DRIVER_INFO_1W>(entries, index);
    case 2:
      return NameOf<DRIVER_INFO_2W>(entries, index);
    case 3:
      return NameOf<DRIVER_INFO_3W>(entries, index);
    case 4:
      return NameOf<DRIVER_INFO_4W>(entries, index);
    case 5:
      return NameOf<DRIVER_INFO_5W>(entries, index);
    case 6:
      return NameOf<DRIVER_INFO_6W>(entries, index);
    default:
      return nullptr;
  }
}

DriverList EnumerateDrivers(const wchar_t* environment) {
  DriverList list;
  auto env = const_cast<LPWSTR>(environment);
  DWORD needed = 0;
  DWORD returned = 0;
  if (Os().EnumPrinterDriversW(nullptr, env, 6, nullptr, 0, &needed, &returned)) return list;
  if (Os().GetLastError() != ERROR_INSUFFICIENT_BUFFER) return list;
  GlobalBlock block;
  if (FetchSpoolerRecords(block, needed, 0, [&](LPBYTE buffer, DWORD size, DWORD* required) {
        return Os().EnumPrinterDriversW(nullptr, env, 6, buffer, size, required, &returned);
      }) == FetchOutcome::kFetched) {
    list.entries = std::move(block);
    list.count = returned;
  }
  return list;
}

int FindProductDriver(const DriverList& list) {
  for (DWORD i = 0; i < list.count; ++i) {
    const wchar_t* name = list.NameAt(i);
    if (name && std::wcscmp(name, kProductDriverName) == 0) return static_cast<int>(i);
  }
  return -1;
}

GlobalBlock QueryPrinterDriver(HANDLE printer) {
  DWORD needed = 0;
  wchar_t environment[] = L"Windows x64";
  Os().GetPrinterDriverW(printer, environment, 2, nullptr, 0, &needed);
  if (Os().GetLastError() != ERROR_INSUFFICIENT_BUFFER) return GlobalBlock();
  GlobalBlock block;
  FetchSpoolerRecords(block, needed, 0, [&](LPBYTE buffer, DWORD size, DWORD* required) {
    return Os().GetPrinterDriverW(printer, nullptr, 2, buffer, size, required);
  });
  return block;
}

}  // namespace qv
