// The printer event Wine's spooler does not send, sent the way Windows' spooler sends it.
#include "printer_event.h"

#include <winddiui.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "spooler_handles.h"

namespace qvseed {
namespace {

using PrinterEventFn = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);

// The full path of the configuration file of the printer's driver, or empty.
std::wstring ConfigFileOf(LPWSTR printerName) {
  qvtools::UniquePrinter printer;
  if (!printer.Open(printerName, nullptr)) return {};
  DWORD needed = 0;
  ::GetPrinterDriverW(printer.Get(), nullptr, 3, nullptr, 0, &needed);
  if (needed == 0) return {};
  std::vector<BYTE> block(needed);
  if (!::GetPrinterDriverW(printer.Get(), nullptr, 3, block.data(), needed, &needed)) return {};
  const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(block.data());
  return driver->pConfigFile ? driver->pConfigFile : L"";
}

class Library {
 public:
  explicit Library(const std::wstring& path) : module_(::LoadLibraryW(path.c_str())) {}
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library() {
    if (module_) ::FreeLibrary(module_);
  }
  HMODULE Get() const { return module_; }

 private:
  HMODULE module_;
};

}  // namespace

bool SendInitializeEvent(LPWSTR printerName) {
  const std::wstring configFile = ConfigFileOf(printerName);
  Library ui(configFile);
  auto event = reinterpret_cast<PrinterEventFn>(reinterpret_cast<void*>(
      ui.Get() ? ::GetProcAddress(ui.Get(), "DrvPrinterEvent") : nullptr));
  if (!event) {
    std::fprintf(stderr, "qvseed: no DrvPrinterEvent in \"%ls\"\n", configFile.c_str());
    return false;
  }
  return event(printerName, PRINTER_EVENT_INITIALIZE, PRINTER_EVENT_FLAG_NO_UI, 0) != FALSE;
}

}  // namespace qvseed
