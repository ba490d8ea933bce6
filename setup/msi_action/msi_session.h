// The running Windows Installer session as the custom actions use it: their data, lines for the
// log, messages, and the restart request an immediate action may make.
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

namespace qvmsi {

// The calls the actions make on the install handle. A deferred, rollback or commit action may
// only read CustomActionData, ProductCode and UserSID, ask the modes SCHEDULED, ROLLBACK and
// COMMIT, and send messages ("Obtaining Context Information for Deferred Execution Custom
// Actions"); only an immediate action may set a mode.
class MsiHandleCalls {
 public:
  virtual ~MsiHandleCalls() = default;
  virtual UINT GetProperty(const wchar_t* name, wchar_t* value, DWORD* length) = 0;
  virtual void Message(INSTALLMESSAGE kind, const std::wstring& text) = 0;
  virtual UINT SetMode(MSIRUNMODE mode, BOOL state) = 0;
};

// The calls on a real install handle (msi.dll).
class InstallHandleCalls : public MsiHandleCalls {
 public:
  explicit InstallHandleCalls(MSIHANDLE install) : install_(install) {}
  UINT GetProperty(const wchar_t* name, wchar_t* value, DWORD* length) override;
  void Message(INSTALLMESSAGE kind, const std::wstring& text) override;
  UINT SetMode(MSIRUNMODE mode, BOOL state) override;

 private:
  MSIHANDLE install_;
};

class MsiSession {
 public:
  explicit MsiSession(MsiHandleCalls& calls) : calls_(calls) {}

  // A deferred action's "CustomActionData", split at '|' into its fields.
  std::vector<std::wstring> ActionData() const;

  // One line for the log (INSTALLMESSAGE_INFO: written by msiexec /l*v, never shown).
  void LogLine(const std::wstring& line) const;

  // A message for the person (INSTALLMESSAGE_ERROR: shown with OK, or only logged in a silent
  // install).
  void ShowError(const std::wstring& text) const;

  // Asks Windows Installer for a restart at the end (msiexec then ends with 3010). Immediate
  // actions only: a deferred one hands the request on (restart_handoff.h).
  bool RequestRestart() const;

 private:
  MsiHandleCalls& calls_;
};

// Splits "a|b|c" into its fields ("" gives one empty field).
std::vector<std::wstring> SplitFields(const std::wstring& data);

}  // namespace qvmsi
