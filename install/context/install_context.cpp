// FreeInstallContext: releasing one run's record.
#include "context/install_context.h"

namespace qv {

HINSTANCE g_instance = nullptr;

void FreeInstallContext(InstallContext& ctx) {
  ctx.monitorPrinters.Reset();
  ReleasePrinterList(ctx.printerSnapshot);
  FreeSavedSettings(ctx.savedSettings);
  FreeFileNameList(ctx.pendingDeletes);
  ctx.driverDir.Clear();
  ctx.logText.Clear();
  ctx.systemDir.Clear();
  ctx.moduleDir.Clear();
}

InstallContext::~InstallContext() { FreeInstallContext(*this); }

}  // namespace qv
