// The restart handed from a deferred action to the immediate one after InstallFinalize.
#include "restart_handoff.h"

#include "package_marks.h"

namespace qvmsi {

void HandOnRestart(const MsiSession& session) {
  if (SetMark(kRestartNeededMark)) {
    session.LogLine(L"Quintavera: a restart is needed to finish");
  } else {
    session.LogLine(L"Quintavera: a restart is needed to finish, but its mark cannot be written");
  }
}

// The mark goes with the report. Where the action runs as a person without the right to delete
// it, it stays until the restart, which removes it with its volatile key.
void ReportRestart(const MsiSession& session) {
  if (ReadMark(kRestartNeededMark) == 0) return;
  TakeMark(kRestartNeededMark);
  session.LogLine(session.RequestRestart()
                      ? L"Quintavera: Windows must restart to finish"
                      : L"Quintavera: the restart needed to finish cannot be requested");
}

}  // namespace qvmsi
