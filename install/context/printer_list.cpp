// PrinterList: enumeration of the machine's printers and the run's snapshot.
#include "context/printer_list.h"

#include <cwchar>

#include "context/install_context.h"
#include "context/product.h"
#include "os/spooler_fetch.h"

namespace qv {

bool IsProductPrinter(const PRINTER_INFO_2W& printer) {
  return printer.pDriverName && std::wcscmp(printer.pDriverName, kProductDriverName) == 0;
}

void ReleasePrinterList(PrinterList& list) {
  list.block.Reset();
  list.count = 0;
}

void EnumeratePrinters(PrinterList& list) {
  ReleasePrinterList(list);
  constexpr DWORD kFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0;
  DWORD returned = 0;
  if (Os().EnumPrintersW(kFlags, nullptr, 2, nullptr, 0, &needed, &returned)) return;
  if (Os().GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
  GlobalBlock block;
  if (FetchSpoolerRecords(block, needed, 32, [&](LPBYTE buffer, DWORD size, DWORD* required) {
        return Os().EnumPrintersW(kFlags, nullptr, 2, buffer, size, required, &returned);
      }) != FetchOutcome::kFetched) {
    return;
  }
  list.block = std::move(block);
  list.count = returned;
}

namespace {

constexpr int kDefaultQueryAttempts = 3;

// The default printer's name; false when there is none, or it cannot be learnt after a few
// attempts (a default mark lost would be lost for good once the printer is re-created).
bool QueryDefaultPrinter(wchar_t (&name)[255]) {
  for (int attempt = 1; attempt <= kDefaultQueryAttempts; ++attempt) {
    DWORD capacity = 255;
    if (Os().GetDefaultPrinterW(name, &capacity)) return true;
    const DWORD error = Os().GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_INSUFFICIENT_BUFFER) return false;
  }
  return false;
}

}  // namespace

void TakePrinterSnapshot(InstallContext& ctx) {
  EnumeratePrinters(ctx.printerSnapshot);
  wchar_t defaultName[255] = {};
  if (!QueryDefaultPrinter(defaultName)) return;
  defaultName[254] = L'\0';
  PRINTER_INFO_2W* records = ctx.printerSnapshot.entries();
  for (DWORD i = 0; i < ctx.printerSnapshot.count; ++i) {
    if (records[i].pPrinterName && std::wcscmp(records[i].pPrinterName, defaultName) == 0) {
      records[i].Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
    }
  }
}

}  // namespace qv
