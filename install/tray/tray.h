// The tray program's control: registered at log-on and started at the end of an install, asked
// to end (its file deleted, its log-on entry removed) before anything is uninstalled and for the
// command "removetray".
//
// The installer and qvatray.exe meet only through the Run value "QuintaveraTray", the named
// mutex the tray program holds while it runs in a session, the class of its top-level window and
// the close message 0x0402 (all within the installer's own session), and, for every other
// session, the Restart Manager's end-session request. Nothing here reports a failure as an error.
#pragma once

#include <windows.h>

#include "base/text_buffer.h"

namespace qv {

struct InstallContext;

// The tray program beside the product: the parent directory of `moduleDir` (one ending
// separator ignored), a backslash and "qvatray.exe"; the bare "qvatray.exe" when `moduleDir` has
// no parent. C:\App\drv\ gives C:\App\qvatray.exe.
TextBuffer TrayPathFor(const TextBuffer& moduleDir);

// The tray program that this run's StartTray will start, when the run is a reinstall with
// `startTray` on; empty otherwise. CloseTray must leave that file in place.
TextBuffer TrayPathToKeep(const InstallContext& ctx);

// With `startTray` on and on Windows NT 6 or later: writes the machine-wide Run value
// "QuintaveraTray" (the tray path in quotes) and starts the tray program without waiting for it:
// in a person's run as that person, here; in a deployment account's run in each person's session
// as that person (logged), never as the deployment account.
void StartTray(InstallContext& ctx);

// Asks a running tray program of this session to end and waits for it (at most 21 waits of 5 s),
// then has the Restart Manager end those of every session still started from the file the Run
// value names, deletes that file (unless it is `keepFile`, compared without regard to case) and
// removes the value. Answers 0, or the Restart Manager's error when a tray program did not end.
DWORD CloseTray(const wchar_t* keepFile = nullptr);

}  // namespace qv
