// The product's printer driver: staging and adding it, and deleting it again.
#include "printers/printer_driver.h"

#include <winspool.h>

#include "context/file_name_list.h"
#include "context/install_context.h"
#include "context/product.h"
#include "log/install_log.h"
#include "spooler/file_copy.h"
#include "spooler/spooler_service.h"

namespace qv {
namespace {

const wchar_t* PlatformWord(const InstallContext& ctx) { return ctx.is64 ? L"x64" : L"Win32"; }

// Copies one driver file from the installer's directory into the driver directory.
bool StageDriverFile(InstallContext& ctx, const wchar_t* fileName, DestPath& stagedPath) {
  return CopyProductFile(ctx, ctx.driverDir.Text(), fileName, stagedPath, true) == S_OK;
}

// Deletes a staged copy; one that cannot be deleted now is remembered for a later attempt.
void DeleteStagedFile(InstallContext& ctx, const wchar_t* stagedPath) {
  if (!Os().DeleteFileW(stagedPath)) AddFileName(ctx.pendingDeletes, stagedPath);
}

bool AddDriverFromStagedFiles(InstallContext& ctx, wchar_t* driverPath, wchar_t* uiPath,
                              wchar_t* helpPath) {
  wchar_t driverName[] = L"Quintavera printer";
  wchar_t maker[] = L"Orbelin";
  DRIVER_INFO_6W info = {};
  info.cVersion = 3;
  info.pName = driverName;
  info.pEnvironment = const_cast<LPWSTR>(ctx.environment);
  info.pDriverPath = driverPath;
  info.pDataFile = driverPath;
  info.pConfigFile = uiPath;
  info.pHelpFile = helpPath;
  info.pszMfgName = maker;
  info.pszProvider = maker;
  return Os().AddPrinterDriverExW(nullptr, 6, reinterpret_cast<LPBYTE>(&info),
                                  APD_COPY_ALL_FILES) != FALSE;
}

void LogDriverList(InstallContext& ctx, const DriverList& drivers) {
  const auto* records = static_cast<const DRIVER_INFO_6W*>(drivers.entries.Get());
  if (drivers.count == 0 || !records) {
    LogLine(ctx, L"BTW, there is no printer drivers on this system.");
    return;
  }
  LogLine(ctx, L"------------ %d existing drivers-----------", drivers.count);
  for (DWORD i = 0; i < drivers.count; ++i) {
    const wchar_t* name = records[i].pName;
    LogLine(ctx, L"%d. %s", i + 1, name ? name : L"***EMPTY***");
  }
  LogLine(ctx, L"-------------------------------------------");
}

bool DeleteProductDriver(InstallContext& ctx) {
  wchar_t driverName[] = L"Quintavera printer";
  return Os().DeletePrinterDriverExW(nullptr, const_cast<LPWSTR>(ctx.environment), driverName,
                                     DPD_DELETE_ALL_FILES, 0) != FALSE;
}

}  // namespace

void InstallDriver(InstallContext& ctx) {
  LogLine(ctx, L"#Add Printer Driver %s", PlatformWord(ctx));
  LogIndent indent(ctx);
  // Without a driver directory the staged copies would land in the current directory.
  if (ctx.driverDir.Empty()) {
    LogLine(ctx, L"No printer driver directory, nothing to stage");
    return;
  }
  DestPath driverPath = {};
  DestPath uiPath = {};
  DestPath helpPath = {};
  if (!StageDriverFile(ctx, ctx.driverFile, driverPath)) return;
  if (!StageDriverFile(ctx, ctx.uiFile, uiPath)) return;
  if (!StageDriverFile(ctx, ctx.helpFile, helpPath)) helpPath[0] = L'\0';

  if (AddDriverFromStagedFiles(ctx, driverPath, uiPath, helpPath)) {
    LogLine(ctx, L"Printer Driver %s was added successfully", PlatformWord(ctx));
  } else {
    LogError(ctx, 13, L"Can`t install a %s printer driver 'Quintavera printer'", PlatformWord(ctx));
  }
  DeleteStagedFile(ctx, driverPath);
  DeleteStagedFile(ctx, uiPath);
  if (helpPath[0] != L'\0') DeleteStagedFile(ctx, helpPath);
}

void RemoveDriver(InstallContext& ctx, const DriverList& drivers) {
  LogLine(ctx, L"#DeletePrinterDriver for %s", ctx.environment);
  LogIndent indent(ctx);
  LogDriverList(ctx, drivers);
  const int index = FindProductDriver(drivers);
  if (index < 0) {
    LogLine(ctx, L"No Quintavera driver (%s)was found", ctx.environment);
    return;
  }
  LogLine(ctx, L"Driver is found. Index=%d", index + 1);
  if (!DeleteProductDriver(ctx)) {
    LogLine(ctx, L"Can't delete driver. Trying to restart spooler");
    { RestartSpooler restart(&ctx); }
    if (!DeleteProductDriver(ctx)) {
      LogError(ctx, 14, L"Can`t remove the printer-driver 'Quintavera printer'");
      return;
    }
  }
  LogLine(ctx, L"OK :)");
}

}  // namespace qv
