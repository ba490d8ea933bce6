// Setting up one run's record before its first step.
#pragma once

#include "context/install_context.h"

namespace qv {

// Empties the context, logs the build, starts the spooler if needed, chooses the file set
// (kSetupX64) and the tray program (kSetupNoTray), reads the directories and takes the snapshot of
// the machine's printers.
InstallContext& InitInstallContext(InstallContext& ctx, unsigned setupFlags);
// Chooses the x64 or x86 file set and reads the spooler's driver directory for it.
void SelectPlatformFiles(InstallContext& ctx, bool is64);

}  // namespace qv
