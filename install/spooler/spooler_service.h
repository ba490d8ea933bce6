// Control of the Windows "spooler" service: make sure it runs, and stop it for the life of a
// scope (RestartSpooler) so that files it holds can be replaced or deleted.
//
// Every wait is bounded: at most 50 polls of the service state, 200 ms apart. Failures are logged
// into the context (when there is one) and never stop the caller.
#pragma once

#include <windows.h>

#include "os/scoped_handles.h"
#include "spooler/spooler_dependents.h"

namespace qv {

struct InstallContext;

// Starts the service and waits until it runs. A start refused because the service database is
// locked, or because the service was still stopping, is asked again within the same wait. The
// handle needs SERVICE_START and SERVICE_QUERY_STATUS. Logs nothing.
bool StartServiceAndWait(SC_HANDLE service);
// Asks the service to stop and waits until it has stopped; true also when it was not running. The
// handle needs SERVICE_STOP and SERVICE_QUERY_STATUS. Logs nothing.
bool StopServiceAndWait(SC_HANDLE service);

// Starts the spooler if it does not run. False when the manager or the service cannot be opened
// or the start fails; true when it runs, was started, or its state could not be read.
bool CheckSpooler(InstallContext& ctx);

// A scope: creation stops the running services that depend on the spooler, then the spooler, and
// waits until each has stopped; the end of the scope starts the spooler again (only if the stop was
// requested) and then those services, waiting until each runs. Without a context it logs nothing
// at all. Inert when the manager or the service cannot be opened.
class RestartSpooler {
 public:
  explicit RestartSpooler(InstallContext* context);
  ~RestartSpooler();
  RestartSpooler(const RestartSpooler&) = delete;
  RestartSpooler& operator=(const RestartSpooler&) = delete;

 private:
  InstallContext* context;
  ScopedServiceHandle serviceManager;
  ScopedServiceHandle service;
  SpoolerDependents dependents;
  bool stopRequested = false;
};

}  // namespace qv
