// The run's failed deletions: retried while the run goes on, handed to Windows for the reboot at
// its end.
#pragma once

#include <cstdint>

namespace qv {

struct InstallContext;

// Logs "DeleteFile-try" and tries every pending file again; files deleted now or already gone
// leave the list, the others keep their order.
void RetryPendingDeletes(InstallContext& ctx);
// Hands every pending file to MoveFileExW for deletion at reboot, empties the list and returns
// how many Windows accepted.
uint32_t ScheduleDeletesAtReboot(InstallContext& ctx);

}  // namespace qv
