// The run's failed deletions: retried, then handed to Windows for the reboot.
#include "reboot/pending_deletes.h"

#include "context/install_context.h"
#include "log/install_log.h"

namespace qv {

void RetryPendingDeletes(InstallContext& ctx) {
  LogLine(ctx, L"DeleteFile-try");
  FileNameNode** link = &ctx.pendingDeletes.head;
  while (FileNameNode* node = *link) {
    if (Os().DeleteFileW(node->name) || Os().GetLastError() == ERROR_FILE_NOT_FOUND) {
      *link = node->next;
      delete[] node->name;
      delete node;
    } else {
      link = &node->next;
    }
  }
}

uint32_t ScheduleDeletesAtReboot(InstallContext& ctx) {
  uint32_t accepted = 0;
  for (const FileNameNode* node = ctx.pendingDeletes.head; node; node = node->next) {
    if (Os().MoveFileExW(node->name, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) ++accepted;
  }
  FreeFileNameList(ctx.pendingDeletes);
  return accepted;
}

}  // namespace qv
