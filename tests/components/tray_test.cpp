// qvatray.exe against the installer's tray protocol: mutex and window while it runs, a second copy ends
// at once, the message 0x0402 ends it and it lets go of the mutex. Every wait is bounded.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "component_paths.h"

namespace {

constexpr wchar_t kMutexName[] = L"{7D3B1C52-4E9A-4F07-B1C8-2A6E90D4F315}";
constexpr wchar_t kWindowClass[] = L"qvs::{C41F8A37-92D6-4B5E-8E03-6F7A1B2C9D40}";
constexpr UINT kCloseMessage = 0x0402;
constexpr DWORD kStartTimeoutMs = 15000;  // a cold Wine start of a GUI program can be slow
constexpr DWORD kEndTimeoutMs = 5000;

HANDLE StartTray() {
  std::wstring path = qvtest::PackageFile(L"qvatray.exe");
  std::wstring cmd = L"\"" + path + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &si, &pi)) {
    return nullptr;
  }
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

// Polls until the tray's mutex exists and its window is found, or the process ends or time runs
// out. Returns the window.
HWND WaitForTray(HANDLE process) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < kStartTimeoutMs) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kMutexName);
    if (mutex != nullptr) {
      CloseHandle(mutex);
      HWND hwnd = FindWindowW(kWindowClass, nullptr);
      if (hwnd != nullptr) return hwnd;
    }
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

bool NoTrayRunning() {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kMutexName);
  if (mutex != nullptr) CloseHandle(mutex);
  return mutex == nullptr && FindWindowW(kWindowClass, nullptr) == nullptr;
}

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(NoTrayRunning()) << "a tray program is already running in this Wine machine";
  }

  void TearDown() override {
    // Never leave a tray program behind, whatever the test did.
    for (HANDLE* p : {&second_, &first_}) {
      if (*p == nullptr) continue;
      if (WaitForSingleObject(*p, 0) == WAIT_TIMEOUT) {
        HWND hwnd = FindWindowW(kWindowClass, nullptr);
        if (hwnd != nullptr) PostMessageW(hwnd, kCloseMessage, 0, 0);
        if (WaitForSingleObject(*p, kEndTimeoutMs) != WAIT_OBJECT_0) TerminateProcess(*p, 99);
        WaitForSingleObject(*p, kEndTimeoutMs);
      }
      CloseHandle(*p);
      *p = nullptr;
    }
  }

  HANDLE first_ = nullptr;
  HANDLE second_ = nullptr;
};

TEST_F(TrayTest, RunsHoldsMutexAndEndsOnMessage) {
  first_ = StartTray();
  ASSERT_NE(first_, nullptr) << "CreateProcess failed: " << GetLastError();
  HWND hwnd = WaitForTray(first_);
  ASSERT_NE(hwnd, nullptr) << "no mutex and window within " << kStartTimeoutMs << " ms";

  // Top-level: no owner, no parent.
  EXPECT_EQ(GetParent(hwnd), nullptr);
  EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  EXPECT_EQ(pid, GetProcessId(first_));

  HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kMutexName);
  ASSERT_NE(mutex, nullptr);
  // Owned by the tray program: not ours to take while it runs.
  EXPECT_EQ(WaitForSingleObject(mutex, 100), static_cast<DWORD>(WAIT_TIMEOUT));

  ASSERT_TRUE(PostMessageW(hwnd, kCloseMessage, 0, 0));
  DWORD wait = WaitForSingleObject(mutex, kEndTimeoutMs);
  EXPECT_EQ(wait, static_cast<DWORD>(WAIT_OBJECT_0)) << "not WAIT_ABANDONED: it must release";
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(mutex);
  CloseHandle(mutex);

  ASSERT_EQ(WaitForSingleObject(first_, kEndTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 1234;
  GetExitCodeProcess(first_, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(NoTrayRunning());
}

TEST_F(TrayTest, SecondCopyEndsAtOnce) {
  first_ = StartTray();
  ASSERT_NE(first_, nullptr);
  HWND hwnd = WaitForTray(first_);
  ASSERT_NE(hwnd, nullptr);

  second_ = StartTray();
  ASSERT_NE(second_, nullptr);
  ASSERT_EQ(WaitForSingleObject(second_, kEndTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the second copy did not end";
  DWORD code = 1234;
  GetExitCodeProcess(second_, &code);
  EXPECT_EQ(code, 0u);

  // The first copy still runs and still holds the mutex.
  EXPECT_EQ(WaitForSingleObject(first_, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(FindWindowW(kWindowClass, nullptr), hwnd);
  HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kMutexName);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(WaitForSingleObject(mutex, 100), static_cast<DWORD>(WAIT_TIMEOUT));

  PostMessageW(hwnd, kCloseMessage, 0, 0);
  DWORD wait = WaitForSingleObject(mutex, kEndTimeoutMs);
  EXPECT_EQ(wait, static_cast<DWORD>(WAIT_OBJECT_0));
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(mutex);
  CloseHandle(mutex);
  EXPECT_EQ(WaitForSingleObject(first_, kEndTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST_F(TrayTest, CloseMenuCommandEndsItTheSameWay) {
  first_ = StartTray();
  ASSERT_NE(first_, nullptr);
  HWND hwnd = WaitForTray(first_);
  ASSERT_NE(hwnd, nullptr);
  HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kMutexName);
  ASSERT_NE(mutex, nullptr);
  // The menu's "Close" item sends WM_COMMAND 1001, as choosing it does.
  PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(1001, 0), 0);
  DWORD wait = WaitForSingleObject(mutex, kEndTimeoutMs);
  EXPECT_EQ(wait, static_cast<DWORD>(WAIT_OBJECT_0));
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(mutex);
  CloseHandle(mutex);
  EXPECT_EQ(WaitForSingleObject(first_, kEndTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
}

}  // namespace
