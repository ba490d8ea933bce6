// The tray programs of every session ended through one Restart Manager session.
#include "tray/tray_shutdown.h"

#include "os/windows_api.h"

namespace qv {
namespace {

// A Restart Manager session, ended on every way out.
class RestartManagerSession {
 public:
  RestartManagerSession() { error_ = Os().RmStartSession(&handle_, 0, key_); }
  ~RestartManagerSession() {
    if (error_ == ERROR_SUCCESS) Os().RmEndSession(handle_);
  }
  RestartManagerSession(const RestartManagerSession&) = delete;
  RestartManagerSession& operator=(const RestartManagerSession&) = delete;

  DWORD error() const { return error_; }
  DWORD handle() const { return handle_; }

 private:
  DWORD handle_ = 0;
  WCHAR key_[CCH_RM_SESSION_KEY + 1] = {};
  DWORD error_;
};

}  // namespace

DWORD ShutDownTraysOfEverySession(const wchar_t* trayPath) {
  RestartManagerSession session;
  if (session.error() != ERROR_SUCCESS) return session.error();
  LPCWSTR files[] = {trayPath};
  const DWORD error = Os().RmRegisterResources(session.handle(), 1, files, 0, nullptr, 0, nullptr);
  if (error != ERROR_SUCCESS) return error;
  return Os().RmShutdown(session.handle(), RmForceShutdown, nullptr);
}

}  // namespace qv
