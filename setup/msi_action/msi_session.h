// The running Windows Installer session as the custom actions use it: their data, lines for the
// log, messages and the restart request.
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

namespace qvmsi {

class MsiSession {
 public:
  explicit MsiSession(MSIHANDLE install) : install_(install) {}

  // A deferred action's "CustomActionData", split at '|' into its fields.
  std::vector<std::wstring> ActionData() const;

  // One line for the log (INSTALLMESSAGE_INFO: written by msiexec /l*v, never shown).
  void LogLine(const std::wstring& line) const;

  // A message for the person (INSTALLMESSAGE_ERROR: shown with OK, or only logged in a silent
  // install).
  void ShowError(const std::wstring& text) const;

  // Asks Windows Installer for a restart at the end (msiexec then ends with 3010).
  void RequestRestart() const;

 private:
  void Send(INSTALLMESSAGE kind, const std::wstring& text) const;

  MSIHANDLE install_;
};

// Splits "a|b|c" into its fields ("" gives one empty field).
std::vector<std::wstring> SplitFields(const std::wstring& data);

}  // namespace qvmsi
