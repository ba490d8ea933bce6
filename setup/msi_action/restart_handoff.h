// A restart the installer asks for, reported as Windows Installer allows: a deferred action may
// not set a run mode, so it leaves a mark (package_marks.h), and QvReportRestart, an immediate
// action after InstallFinalize, takes it and asks for the restart at the end (msiexec: 3010).
#pragma once

#include "msi_session.h"

namespace qvmsi {

// In a deferred action: the run needs a restart to finish.
void HandOnRestart(const MsiSession& session);

// In the immediate action after InstallFinalize: the restart a deferred action handed on, if any.
void ReportRestart(const MsiSession& session);

}  // namespace qvmsi
