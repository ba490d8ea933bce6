// The running Windows Installer session as the custom actions use it.
#include "msi_session.h"

namespace qvmsi {
namespace {

// Closes an MSI handle when it goes.
class ScopedMsiHandle {
 public:
  explicit ScopedMsiHandle(MSIHANDLE handle) : handle_(handle) {}
  ~ScopedMsiHandle() {
    if (handle_) ::MsiCloseHandle(handle_);
  }
  ScopedMsiHandle(const ScopedMsiHandle&) = delete;
  ScopedMsiHandle& operator=(const ScopedMsiHandle&) = delete;
  MSIHANDLE Get() const { return handle_; }

 private:
  MSIHANDLE handle_;
};

std::wstring Property(MsiHandleCalls& calls, const wchar_t* name) {
  DWORD length = 0;
  wchar_t empty[1] = L"";
  UINT result = calls.GetProperty(name, empty, &length);
  if (result != ERROR_MORE_DATA) return std::wstring();
  std::wstring value(length + 1, L'\0');
  length = static_cast<DWORD>(value.size());
  if (calls.GetProperty(name, &value[0], &length) != ERROR_SUCCESS) return std::wstring();
  value.resize(length);
  return value;
}

}  // namespace

UINT InstallHandleCalls::GetProperty(const wchar_t* name, wchar_t* value, DWORD* length) {
  return ::MsiGetPropertyW(install_, name, value, length);
}

// The text goes in field 1 behind the template "[1]", so that brackets and braces of a log line
// are written as they are, never formatted.
void InstallHandleCalls::Message(INSTALLMESSAGE kind, const std::wstring& text) {
  ScopedMsiHandle record(::MsiCreateRecord(1));
  if (!record.Get()) return;
  ::MsiRecordSetStringW(record.Get(), 0, L"[1]");
  ::MsiRecordSetStringW(record.Get(), 1, text.c_str());
  ::MsiProcessMessage(install_, kind, record.Get());
}

UINT InstallHandleCalls::SetMode(MSIRUNMODE mode, BOOL state) {
  return ::MsiSetMode(install_, mode, state);
}

std::vector<std::wstring> SplitFields(const std::wstring& data) {
  std::vector<std::wstring> fields;
  size_t begin = 0;
  for (;;) {
    const size_t bar = data.find(L'|', begin);
    fields.push_back(data.substr(begin, bar == std::wstring::npos ? bar : bar - begin));
    if (bar == std::wstring::npos) return fields;
    begin = bar + 1;
  }
}

std::vector<std::wstring> MsiSession::ActionData() const {
  return SplitFields(Property(calls_, L"CustomActionData"));
}

void MsiSession::LogLine(const std::wstring& line) const {
  calls_.Message(INSTALLMESSAGE_INFO, line);
}

void MsiSession::ShowError(const std::wstring& text) const {
  calls_.Message(static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), text);
}

bool MsiSession::RequestRestart() const {
  return calls_.SetMode(MSIRUNMODE_REBOOTATEND, TRUE) == ERROR_SUCCESS;
}

}  // namespace qvmsi
