// The installer's plans: the fixed order in which install and uninstall call the tray, monitor,
// driver, printer, settings and pending-file steps. Every step logs its own failures; no failure
// stops a plan.
#pragma once

#include <windows.h>

#include <cstdint>

#include "context/install_context.h"
#include "log/log_output.h"

namespace qv {

struct InstallOutcome {
  bool errorsLogged;           // the run wrote at least one error line
  uint32_t scheduledAtReboot;  // files handed to Windows for deletion at reboot
};

// Under the installer mutex (or, when it cannot be had, nothing but error 27): builds a context
// with `setupFlags`, reinstalls, schedules what is left for the reboot, hands the log to its
// target (the log window when errors were logged or Shift is held, or the quiet mode's file) and
// releases the context.
InstallOutcome RunInstall(unsigned setupFlags, const LogTarget& log);
// The same for uninstall; true when errors were logged.
bool RunUninstall(const LogTarget& log, uint32_t& scheduledAtReboot);

void Reinstall(InstallContext& ctx);
void UninstallAndCleanUp(InstallContext& ctx);
void Uninstall(InstallContext& ctx);

}  // namespace qv
