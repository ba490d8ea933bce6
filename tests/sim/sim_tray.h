// A scripted qvatray.exe on the simulated machine: while it runs it holds the tray mutex, shows
// its window (at once or after a while) and keeps its program file locked; the close message
// 0x0402 ends it after a chosen time, or never. When it ends it lets go of the mutex or abandons
// it, and its file may stay locked a little longer.
#pragma once

#include <cstdint>
#include <string>

#include "sim_windows.h"

namespace qv::sim {

constexpr char kTrayMutexName[] = "{7D3B1C52-4E9A-4F07-B1C8-2A6E90D4F315}";
constexpr wchar_t kTrayWindowClass[] = L"qvs::{C41F8A37-92D6-4B5E-8E03-6F7A1B2C9D40}";
constexpr wchar_t kRunKey[] = L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"QuintaveraTray";

struct TrayScript {
  uint64_t windowAfter = 0;    // virtual ms from its start until its window appears
  int64_t endsAfter = 0;       // ms from the close message until it ends; negative: never
  bool abandonsMutex = false;  // ends without letting go of the mutex
  uint64_t fileLockedFor = 0;  // ms its file stays locked after it ended
  uint64_t endsAlone = 0;      // ms from its start until it ends unasked; 0: never
};

class SimTray {
 public:
  SimTray(SimWindows& sim, std::wstring path, TrayScript script = {});
  SimTray(const SimTray&) = delete;
  SimTray& operator=(const SimTray&) = delete;

  // Starts the program now (its file must exist).
  void Start();
  // From now on, CreateProcessW of "<path>" (quoted) starts this program.
  void StartWhenLaunched();

  bool running() const { return running_; }
  int starts() const { return starts_; }
  int closeMessages() const { return closeMessages_; }

 private:
  void ShowWindow(int run);
  void End(int run);

  SimWindows& sim_;
  std::wstring path_;
  TrayScript script_;
  bool running_ = false;
  int starts_ = 0;  // also tells the events of an earlier run from the current one
  int closeMessages_ = 0;
  HWND window_ = nullptr;
};

}  // namespace qv::sim
