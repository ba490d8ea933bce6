// qvprint.exe: prints one RAW job to a printer, as an application printing to the product's
// printer would (tests only).
//
//   qvprint.exe <printer> <text>
//
// Prints "printed job <id>" and exits 0 once the spooler has taken the whole job; else prints the
// failing call and its error, and exits 1.
#include <windows.h>
#include <winspool.h>

#include <string>

#include "console_out.h"

namespace {

int Fail(const wchar_t* call) {
  qvtools::PrintLine(std::wstring(call) + L" failed: " + std::to_wstring(::GetLastError()));
  return 1;
}

int PrintRawJob(wchar_t* printerName, const std::string& data) {
  HANDLE printer = nullptr;
  if (!::OpenPrinterW(printerName, &printer, nullptr)) return Fail(L"OpenPrinterW");
  wchar_t document[] = L"qvprint";
  wchar_t datatype[] = L"RAW";
  DOC_INFO_1W info = {document, nullptr, datatype};
  const DWORD job = ::StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&info));
  DWORD written = 0;
  const bool printed = job != 0 && ::StartPagePrinter(printer) &&
                       ::WritePrinter(printer, const_cast<char*>(data.data()),
                                      static_cast<DWORD>(data.size()), &written) &&
                       written == data.size() && ::EndPagePrinter(printer);
  const DWORD error = ::GetLastError();
  const bool ended = job != 0 && ::EndDocPrinter(printer);
  ::ClosePrinter(printer);
  ::SetLastError(error);
  if (!printed || !ended) return Fail(job == 0 ? L"StartDocPrinterW" : L"the job");
  qvtools::PrintLine(L"printed job " + std::to_wstring(job));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    qvtools::PrintLine(L"usage: qvprint.exe <printer> <text>");
    return 2;
  }
  std::string data;
  for (const wchar_t* c = argv[2]; *c; ++c) data.push_back(static_cast<char>(*c & 0x7F));
  return PrintRawJob(argv[1], data);
}
