// PrinterList: enumeration of the machine's printers and the run's snapshot.
#include "context/printer_list.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

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
constexpr DWORD kDefaultNameCapacity = 255;  // characters of the first buffer, its NUL included

}  // namespace

// A name longer than the buffer is asked again in one of the size GetDefaultPrinterW answers with
// ERROR_INSUFFICIENT_BUFFER; a spooler that fails otherwise is asked again as it was.
std::wstring DefaultPrinterName() {
  std::vector<wchar_t> name(kDefaultNameCapacity, L'\0');
  for (int attempt = 1; attempt <= kDefaultQueryAttempts; ++attempt) {
    auto capacity = static_cast<DWORD>(name.size());
    if (Os().GetDefaultPrinterW(name.data(), &capacity)) {
      return std::wstring(name.begin(), std::find(name.begin(), name.end(), L'\0'));
    }
    const DWORD error = Os().GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) break;
    if (error == ERROR_INSUFFICIENT_BUFFER && capacity > name.size()) name.resize(capacity);
  }
  return {};
}

void TakePrinterSnapshot(InstallContext& ctx) {
  EnumeratePrinters(ctx.printerSnapshot);
  const std::wstring defaultName = DefaultPrinterName();
  if (defaultName.empty()) return;
  PRINTER_INFO_2W* records = ctx.printerSnapshot.entries();
  for (DWORD i = 0; i < ctx.printerSnapshot.count; ++i) {
    if (records[i].pPrinterName && defaultName == records[i].pPrinterName) {
      records[i].Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
    }
  }
}

}  // namespace qv
