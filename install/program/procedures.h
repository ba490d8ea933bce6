// The installer's plans: the fixed order in which install and uninstall call the tray, monitor,
// driver, printer, settings and pending-file steps. Every step logs its own failures; no failure
// stops a plan.
#pragma once

#include <windows.h>

#include <cstdint>

#include "context/install_context.h"

namespace qv {

struct InstallOutcome {
  bool errorsLogged;           // the run wrote at least one error line
  uint32_t scheduledAtReboot;  // files handed to Windows for deletion at reboot
};

// Builds a context with `setupFlags`, reinstalls, schedules what is left for the reboot, shows
// the log window when errors were logged or Shift is held, and releases the context.
InstallOutcome RunInstall(unsigned setupFlags, HWND owner);
// The same for uninstall; true when errors were logged.
bool RunUninstall(HWND owner, uint32_t& scheduledAtReboot);

void Reinstall(InstallContext& ctx);
void UninstallAndCleanUp(InstallContext& ctx);
void Uninstall(InstallContext& ctx);

}  // namespace qv
