// A scripted qvatray.exe in one session: while it runs it holds its session's tray mutex, shows its
// window (at once or after a while) and keeps its file locked; the close message 0x0402, or the
// Restart Manager's request once the window is there, ends it after a chosen time, or never (until
// forced). Ended, it lets go of the mutex or abandons it; its file may stay locked a little longer.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "sim_windows.h"

namespace qv::sim {

constexpr char kTrayMutexName[] = "{7D3B1C52-4E9A-4F07-B1C8-2A6E90D4F315}";
constexpr wchar_t kTrayWindowClass[] = L"qvs::{C41F8A37-92D6-4B5E-8E03-6F7A1B2C9D40}";
constexpr wchar_t kRunKey[] = L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"QuintaveraTray";

struct TrayScript {
  uint64_t windowAfter = 0;      // virtual ms from its start until its window appears
  int64_t endsAfter = 0;         // ms from the close message until it ends; negative: never
  bool abandonsMutex = false;    // ends without letting go of the mutex
  uint64_t fileLockedFor = 0;    // ms its file stays locked after it ended
  int64_t windowGoneAfter = -1;  // ms from the close message until its window goes; < 0: at end
};

class SimTray {
 public:
  SimTray(SimWindows& sim, std::wstring path, TrayScript script = {}, DWORD session = 1)
      : sim_(sim), path_(std::move(path)), script_(script), session_(session) {}
  SimTray(const SimTray&) = delete;
  SimTray& operator=(const SimTray&) = delete;

  // Starts the program now (its file must exist).
  void Start() {
    if (running_ || !sim_.FileExists(path_)) return;
    const int run = ++starts_;
    SimMutex& mutex = sim_.mutexes[SimWindows::ObjectName(kTrayMutexName, session_)];
    if (mutex.held || mutex.openHandles > 0) return;  // the name exists: a second copy ends at once
    running_ = true;
    window_ = nullptr;
    sim_.programs[ProcessId()] = {path_, [this, run](uint64_t forcedAt) {
                                    if (window_) Ask(run);
                                    sim_.At(forcedAt, [this, run] { End(run); });
                                  }};
    mutex.held = true;  // a fresh mutex: the name was gone
    mutex.abandoned = false;
    sim_.FindFile(path_)->lockedForever = true;  // a running program's file cannot be deleted
    if (script_.windowAfter == 0) {
      ShowWindow(run);
    } else {
      sim_.At(sim_.clock + script_.windowAfter, [this, run] { ShowWindow(run); });
    }
  }
  // From now on, a process start of "<path>" (quoted) in its session starts this program.
  void StartWhenLaunched() {
    sim_.onProcessStart = [this, before = sim_.onProcessStart](const SimProcessStart& start) {
      if (before) before(start);
      if (start.session == session_ && Lower(start.commandLine) == Lower(L"\"" + path_ + L"\""))
        Start();
    };
  }

  bool running() const { return running_; }
  int starts() const { return starts_; }
  int closeMessages() const { return closeMessages_; }

 private:
  void ShowWindow(int run) {
    if (run != starts_ || !running_) return;
    SimWindow& window = sim_.AddWindow(kTrayWindowClass, L"Quintavera");
    window.session = session_;
    window_ = window.hwnd;
    window.onPost = [this, run](SimWindow&, UINT message) {
      if (message != 0x0402) return;
      ++closeMessages_;
      Ask(run);
    };
  }
  void Ask(int run) {
    if (script_.endsAfter >= 0) sim_.At(sim_.clock + script_.endsAfter, [this, run] { End(run); });
    if (script_.windowGoneAfter < 0) return;
    sim_.At(sim_.clock + script_.windowGoneAfter, [this, run] {
      if (run == starts_ && window_) sim_.RemoveWindow(std::exchange(window_, nullptr));
    });
  }
  DWORD ProcessId() const { return 5000 + session_; }
  void End(int run) {
    if (run != starts_ || !running_) return;
    running_ = false;
    sim_.programs.erase(ProcessId());
    sim_.RemoveWindow(window_);
    SimMutex& mutex = sim_.mutexes[SimWindows::ObjectName(kTrayMutexName, session_)];
    mutex.held = false;
    mutex.abandoned = script_.abandonsMutex;
    if (SimFile* file = sim_.FindFile(path_)) {
      file->lockedForever = false;
      file->lockedUntil = sim_.clock + script_.fileLockedFor;
    }
  }

  SimWindows& sim_;
  std::wstring path_;
  TrayScript script_;
  DWORD session_;
  bool running_ = false;
  int starts_ = 0;  // also tells the events of an earlier run from the current one
  int closeMessages_ = 0;
  HWND window_ = nullptr;
};

}  // namespace qv::sim
