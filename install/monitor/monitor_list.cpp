// MonitorList: the installed port monitors and the product's among them.
#include "monitor/monitor_list.h"

#include <cwchar>
#include <iterator>

#include "context/install_context.h"
#include "context/product.h"
#include "log/install_log.h"
#include "os/spooler_fetch.h"

namespace qv {
namespace {

// The system's description of `error` for the enumeration lines.
void LogEnumFailure(InstallContext& ctx, const wchar_t* format, DWORD error) {
  wchar_t description[512];
  if (!DescribeError(error, description, std::size(description))) {
    std::wcscpy(description, L"No Error or no description");
  }
  LogLine(ctx, format, description);
}

}  // namespace

const wchar_t* MonitorList::NameAt(DWORD index) const {
  if (!entries || index >= count) return nullptr;
  if (level == 1) return static_cast<const MONITOR_INFO_1W*>(entries.Get())[index].pName;
  if (level == 2) return static_cast<const MONITOR_INFO_2W*>(entries.Get())[index].pName;
  return nullptr;
}

MonitorList& EnumerateMonitors(MonitorList& list, InstallContext& ctx) {
  list.level = 2;
  list.entries.Reset();
  list.count = 0;
  DWORD needed = 0;
  DWORD returned = 0;
  if (Os().EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &returned)) {
    LogLine(ctx, L"1. EnumMonitors returns true");
    return list;
  }
  const DWORD sizeError = Os().GetLastError();
  if (sizeError != ERROR_INSUFFICIENT_BUFFER) {
    LogEnumFailure(ctx, L"2. EnumMonitors  failed with code: %s", sizeError);
    return list;
  }
  GlobalBlock block;
  const FetchOutcome fetched =
      FetchSpoolerRecords(block, needed, 0, [&](LPBYTE buffer, DWORD size, DWORD* required) {
        return Os().EnumMonitorsW(nullptr, 2, buffer, size, required, &returned);
      });
  if (fetched == FetchOutcome::kNoMemory) {
    LogLine(ctx, L"3. EnumMonitors - can't allocate memory for buffer");
    Os().SetLastError(static_cast<DWORD>(E_OUTOFMEMORY));
    return list;
  }
  if (fetched == FetchOutcome::kFailed) {
    LogEnumFailure(ctx, L"3. EnumMonitors  failed with code: %s", Os().GetLastError());
    return list;
  }
  list.entries = std::move(block);
  list.count = returned;
  return list;
}

int FindProductMonitor(const MonitorList& list) {
  for (DWORD i = 0; i < list.count; ++i) {
    const wchar_t* name = list.NameAt(i);
    if (name && std::wcscmp(name, kMonitorName) == 0) return static_cast<int>(i);
  }
  return -1;
}

void LogMonitorList(InstallContext& ctx, const MonitorList& list) {
  LogLine(ctx, L"------- %d existing monitors ----------", list.count);
  for (DWORD i = 0; i < list.count; ++i) {
    const wchar_t* name = list.NameAt(i);
    LogLine(ctx, L"%d. %s", i + 1, name && *name ? name : L"***EMPTY***");
  }
  LogLine(ctx, L"---------------------------------------");
}

}  // namespace qv
