// qvatray.exe against the installer's tray protocol: it holds the mutex and shows the window while
// it runs, the message 0x0402 ends it and it lets go of the mutex. Every wait is bounded.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr wchar_t kMutexName[] = L"{7D3B1C52-4E9A-4F07-B1C8-2A6E90D4F315}";
constexpr wchar_t kWindowClass[] = L"qvs::{C41F8A37-92D6-4B5E-8E03-6F7A1B2C9D40}";
constexpr UINT kCloseMessage = 0x0402;
constexpr DWORD kStartTimeoutMs = 15000;  // a cold Wine start of a GUI program can be slow
constexpr DWORD kEndTimeoutMs = 5000;

TEST(TrayTest, HoldsMutexAndWindowUntilTheMessageEndsIt) {
  ASSERT_EQ(FindWindowW(kWindowClass, nullptr), nullptr) << "a tray program is already running";
  wchar_t cmd[] = L"\"" QV_TEST_BUILD_DIR L"\\package\\qvatray.exe\"";
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      << "CreateProcess failed: " << GetLastError();
  CloseHandle(pi.hThread);
  const auto end = [](HANDLE process) {  // never left running, whatever the test did
    TerminateProcess(process, 99);
    WaitForSingleObject(process, kEndTimeoutMs);
    CloseHandle(process);
  };
  std::unique_ptr<void, decltype(end)> tray(pi.hProcess, end);
  HWND hwnd = nullptr;  // polled until the mutex and the window are there or the program ends
  for (DWORD start = GetTickCount(); GetTickCount() - start < kStartTimeoutMs;) {
    HANDLE probe = OpenMutexW(SYNCHRONIZE, FALSE, kMutexName);
    if (probe != nullptr) CloseHandle(probe);
    if (probe != nullptr && (hwnd = FindWindowW(kWindowClass, nullptr)) != nullptr) break;
    if (WaitForSingleObject(tray.get(), 50) == WAIT_OBJECT_0) break;
  }
  ASSERT_NE(hwnd, nullptr) << "no mutex and window within " << kStartTimeoutMs << " ms";
  std::unique_ptr<void, decltype(&CloseHandle)> mutex(
      OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kMutexName), &CloseHandle);
  ASSERT_NE(mutex, nullptr);
  // Owned by the tray program: not ours to take while it runs.
  EXPECT_EQ(WaitForSingleObject(mutex.get(), 100), static_cast<DWORD>(WAIT_TIMEOUT));

  ASSERT_TRUE(PostMessageW(hwnd, kCloseMessage, 0, 0));
  DWORD wait = WaitForSingleObject(mutex.get(), kEndTimeoutMs);
  EXPECT_EQ(wait, static_cast<DWORD>(WAIT_OBJECT_0)) << "not WAIT_ABANDONED: it must release";
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(mutex.get());
  DWORD code = 1234;
  EXPECT_EQ(WaitForSingleObject(tray.get(), kEndTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(GetExitCodeProcess(tray.get(), &code) && code == 0) << "exit code " << code;
  EXPECT_EQ(FindWindowW(kWindowClass, nullptr), nullptr);
}

}  // namespace
