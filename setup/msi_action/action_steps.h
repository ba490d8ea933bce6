// The steps the custom actions are made of: one installer word run quietly with its log copied
// into the Windows Installer log, and what its exit code means for the action.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "installer_run.h"
#include "msi_session.h"
#include "work_folder.h"

namespace qvmsi {

// Runs one word (its log in `work`); the installer's log follows a line that names the run, and
// its end is logged.
InstallerRun RunWord(const MsiSession& session, WorkFolder& work, const std::wstring& exe,
                     const wchar_t* word);

// Shows `text` and answers the failure that rolls the package back.
UINT Fail(const MsiSession& session, const std::wstring& text);

// A run that did not give one of the codes its caller acts on.
UINT FailUnexpected(const MsiSession& session, const std::wstring& exe, const InstallerRun& run);

// "install"/"uninstall" (success `successCode`): 101 hands a restart on to the end of the
// package (restart_handoff.h); a failure shows `errorsText` (100) or why the run failed.
UINT TakeChange(const MsiSession& session, const std::wstring& exe, const InstallerRun& run,
                DWORD successCode, const wchar_t* errorsText);

// Field `index` of CustomActionData, or "".
std::wstring Field(const std::vector<std::wstring>& fields, size_t index);

// "<INSTALLDIR>\drv\qvinstall.exe".
std::wstring InstalledInstaller(const std::wstring& installDir);

}  // namespace qvmsi
