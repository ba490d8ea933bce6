// What an installer run means for the package: its exit code read per command word.
#pragma once

#include <windows.h>

namespace qvmsi {

// Exit codes of qvinstall.exe the package acts on.
constexpr DWORD kInstalled = 1;
constexpr DWORD kUninstalled = 2;
constexpr DWORD kAnswerNo = 3;
constexpr DWORD kTrayClosed = 6;
constexpr DWORD kErrorsLogged = 100;
constexpr DWORD kRestartToFinish = 101;
constexpr DWORD kDefaultNotProduct = 102;
constexpr DWORD kDriverInPlace = 103;
constexpr DWORD kRestartFirst = 200;

enum class Outcome { kSuccess, kRestartNeeded, kFailure };

// "install"/"in_notray" (success: 1) and "uninstall" (success: 2): 101 asks for a restart at the
// end; 100, any other code and a crash fail.
Outcome ChangeOutcome(DWORD successCode, DWORD exitCode);

// A crash shows as an NTSTATUS error (0xC0000000 and up) in place of an exit code.
bool IsCrash(DWORD exitCode);

}  // namespace qvmsi
