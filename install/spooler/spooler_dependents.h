// The services that depend on the spooler: Windows refuses to stop a service while a service that
// depends on it runs (ERROR_DEPENDENT_SERVICES_RUNNING), so a spooler restart stops the running
// ones first and starts them again once the spooler runs.
#pragma once

#include <windows.h>

#include "os/scoped_handles.h"

namespace qv {

struct InstallContext;

class SpoolerDependents {
 public:
  // Stops every running service that depends on `spooler` (opened with
  // SERVICE_ENUMERATE_DEPENDENTS), in the order Windows lists them: the most dependent first.
  // Each that cannot be listed, opened or stopped in time is an error line (40, 41).
  void StopRunning(SC_HANDLE manager, SC_HANDLE spooler, InstallContext* ctx);
  // Starts again, in the reverse order, every service StopRunning found running (42 for each that
  // does not run in time).
  void StartAgain(SC_HANDLE manager, InstallContext* ctx);

 private:
  GlobalBlock list_;  // ENUM_SERVICE_STATUSW records and their names
  DWORD count_ = 0;
};

}  // namespace qv
