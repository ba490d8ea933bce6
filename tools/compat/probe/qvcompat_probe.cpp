// qvcompat_probe: checks, in the Wine machine, the two spooler calls the compatibility layer
// changes. It binds them as the installer does (LoadLibraryExW + GetProcAddress), adds a
// throw-away driver and a printer without data type, then deletes the driver with all files.
// Exit code 0 when both calls behave as Windows documents, 1 otherwise.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using AddPrinterFn = decltype(&::AddPrinterW);
using DeleteDriverFn = decltype(&::DeletePrinterDriverExW);

wchar_t kEnvironment[] = L"Windows x64";
wchar_t kDriver[] = L"Quintavera Compat Probe";
wchar_t kPrinter[] = L"Quintavera Compat Probe";
wchar_t kPort[] = L"FILE:";
wchar_t kProcessor[] = L"WinPrint";

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring DriverDirectory() {
  wchar_t directory[MAX_PATH] = {};
  DWORD needed = 0;
  if (!::GetPrinterDriverDirectoryW(nullptr, kEnvironment, 1, reinterpret_cast<LPBYTE>(directory),
                                    sizeof(directory), &needed)) {
    return L"";
  }
  return directory;
}

// Stages copies of Wine's own PostScript driver into the driver directory as driver and
// user-interface DLLs (the spooler loads them when a printer is added), adds the probe driver
// from them and deletes the staged copies, as the installer does.
bool AddProbeDriver(const std::wstring& directory) {
  const std::wstring source = directory + L"\\3\\wineps.drv";
  std::wstring driverPath = directory + L"\\qvprobe_drv.dll";
  std::wstring uiPath = directory + L"\\qvprobe_ui.dll";
  if (!::CopyFileW(source.c_str(), driverPath.c_str(), FALSE) ||
      !::CopyFileW(source.c_str(), uiPath.c_str(), FALSE)) {
    return false;
  }
  DRIVER_INFO_3W info = {};
  info.cVersion = 3;
  info.pName = kDriver;
  info.pEnvironment = kEnvironment;
  info.pDriverPath = &driverPath[0];
  info.pDataFile = &driverPath[0];
  info.pConfigFile = &uiPath[0];
  const bool added =
      ::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&info), APD_COPY_ALL_FILES);
  ::DeleteFileW(driverPath.c_str());
  ::DeleteFileW(uiPath.c_str());
  return added;
}

// True when `function` lies outside winspool.drv, i.e. the compatibility layer answered.
bool FromCompatLayer(HMODULE winspool, const void* function) {
  HMODULE owner = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      static_cast<LPCWSTR>(function), &owner);
  return owner != winspool;
}

bool DeletePrinterByName(LPWSTR name) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (!::OpenPrinterW(name, &printer, &defaults)) return false;
  const bool deleted = ::DeletePrinter(printer);
  ::ClosePrinter(printer);
  return deleted;
}

bool DriverInstalled() {
  DWORD needed = 0;
  DWORD count = 0;
  ::EnumPrinterDriversW(nullptr, kEnvironment, 1, nullptr, 0, &needed, &count);
  if (needed == 0 || needed > 1024 * 1024) return false;
  std::vector<BYTE> block(needed);
  if (!::EnumPrinterDriversW(nullptr, kEnvironment, 1, block.data(), needed, &needed, &count)) {
    return false;
  }
  const auto* drivers = reinterpret_cast<const DRIVER_INFO_1W*>(block.data());
  for (DWORD i = 0; i < count; ++i) {
    if (drivers[i].pName && std::wcscmp(drivers[i].pName, kDriver) == 0) return true;
  }
  return false;
}

bool CheckAddPrinter(AddPrinterFn addPrinter) {
  PRINTER_INFO_2W info = {};
  info.pPrinterName = kPrinter;
  info.pPortName = kPort;
  info.pDriverName = kDriver;
  info.pPrintProcessor = kProcessor;
  HANDLE printer = addPrinter(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  const DWORD error = printer ? 0 : ::GetLastError();
  std::printf("probe: AddPrinterW without data type: handle=%s error=%lu\n",
              printer ? "yes" : "no", error);
  if (printer) ::ClosePrinter(printer);
  DeletePrinterByName(kPrinter);
  return printer != nullptr;
}

bool CheckDeleteDriver(DeleteDriverFn deleteDriver, const std::wstring& stagedFile) {
  const BOOL deleted = deleteDriver(nullptr, kEnvironment, kDriver, DPD_DELETE_ALL_FILES, 0);
  const DWORD error = deleted ? 0 : ::GetLastError();
  const bool fileLeft = FileExists(stagedFile);
  std::printf("probe: DeletePrinterDriverExW all files: result=%d error=%lu file-left=%s\n",
              deleted ? 1 : 0, error, fileLeft ? "yes" : "no");
  if (!deleted) ::DeletePrinterDriverExW(nullptr, kEnvironment, kDriver, 0, 0);
  return deleted && !fileLeft;
}

}  // namespace

int wmain() {
  HMODULE winspool = ::LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!winspool) return 1;
  auto addPrinter = reinterpret_cast<AddPrinterFn>(
      reinterpret_cast<void*>(::GetProcAddress(winspool, "AddPrinterW")));
  auto deleteDriver = reinterpret_cast<DeleteDriverFn>(
      reinterpret_cast<void*>(::GetProcAddress(winspool, "DeletePrinterDriverExW")));
  const bool bound = addPrinter && deleteDriver;
  std::printf("probe: compat layer %s\n",
              bound && FromCompatLayer(winspool, reinterpret_cast<void*>(addPrinter)) ? "active"
                                                                                     : "absent");
  DeletePrinterByName(kPrinter);  // leftovers of an interrupted run
  ::DeletePrinterDriverExW(nullptr, kEnvironment, kDriver, 0, 0);
  const std::wstring directory = DriverDirectory();
  const std::wstring stagedFile = directory + L"\\3\\qvprobe_drv.dll";
  if (!bound || directory.empty() || !AddProbeDriver(directory)) {
    std::printf("probe: cannot add the probe driver (error %lu)\n", ::GetLastError());
    return 1;
  }
  std::printf("probe: driver file installed: %s\n", FileExists(stagedFile) ? "yes" : "no");
  const bool addOk = CheckAddPrinter(addPrinter);
  const bool deleteOk = CheckDeleteDriver(deleteDriver, stagedFile);
  const bool gone = !DriverInstalled();
  std::printf("probe: driver gone: %s\n", gone ? "yes" : "no");
  ::FreeLibrary(winspool);
  return addOk && deleteOk && gone ? 0 : 1;
}
