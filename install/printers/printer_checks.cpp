// The default-printer and driver checks behind "onInit", "onChkDrv" and "def.set".
#include "printers/printer_checks.h"

#include <string>

#include "context/install_context.h"
#include "context/printer_list.h"
#include "os/file_version.h"
#include "printers/driver_list.h"
#include "printers/product_printers.h"
#include "tray/people_default.h"

namespace qv {
namespace {

// The first product printer of the list, or null.
PRINTER_INFO_2W* FirstProductPrinter(const PrinterList& list) {
  PRINTER_INFO_2W* records = list.entries();
  for (DWORD i = 0; i < list.count; ++i) {
    if (IsProductPrinter(records[i])) return &records[i];
  }
  return nullptr;
}

}  // namespace

bool CheckDefaultPrinter() {
  std::wstring name = DefaultPrinterName();
  if (name.empty()) return true;
  ScopedPrinter printer;
  if (!Os().OpenPrinterW(&name[0], printer.Receive(), nullptr)) return true;
  const PrinterInfoBlock info = QueryPrinterInfo(printer.Get());
  return !(info.Record() && IsProductPrinter(*info.Record()));
}

bool CheckInstalledDriver() {
  PrinterList printers;
  EnumeratePrinters(printers);
  const PRINTER_INFO_2W* product = FirstProductPrinter(printers);
  if (!product) return false;
  ScopedPrinter printer;
  if (!Os().OpenPrinterW(product->pPrinterName, printer.Receive(), nullptr)) return false;
  const GlobalBlock driver = QueryPrinterDriver(printer.Get());
  const auto* info = static_cast<const DRIVER_INFO_2W*>(driver.Get());
  return info && info->pDriverPath &&
         QueryFileBuildNumber(info->pDriverPath) >= kMinimumDriverBuild;
}

void SetProductPrinterDefault() {
  PrinterList printers;
  EnumeratePrinters(printers);
  if (const PRINTER_INFO_2W* product = FirstProductPrinter(printers)) {
    Os().SetDefaultPrinterW(product->pPrinterName);
  }
}

bool ProductPrinterRequestedForPeople() {
  wchar_t name[kRequestedNameChars];
  ReadDefaultRequest(name);
  ScopedPrinter printer;
  if (name[0] == L'\0' || !Os().OpenPrinterW(name, printer.Receive(), nullptr)) return false;
  const PrinterInfoBlock info = QueryPrinterInfo(printer.Get());
  return info.Record() && IsProductPrinter(*info.Record());
}

void RequestProductPrinterDefaultForPeople() {
  PrinterList printers;
  EnumeratePrinters(printers);
  if (const PRINTER_INFO_2W* product = FirstProductPrinter(printers)) {
    RequestDefaultForPeople(product->pPrinterName);
  }
}

}  // namespace qv
