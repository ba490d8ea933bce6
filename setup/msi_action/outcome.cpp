// What an installer run means for the package.
#include "outcome.h"

namespace qvmsi {

Outcome ChangeOutcome(DWORD successCode, DWORD exitCode) {
  if (exitCode == successCode) return Outcome::kSuccess;
  if (exitCode == kRestartToFinish) return Outcome::kRestartNeeded;
  return Outcome::kFailure;
}

bool IsCrash(DWORD exitCode) { return exitCode >= 0xC0000000u; }

}  // namespace qvmsi
