// A scripted qvatray.exe on the simulated machine.
#include "sim_tray.h"

#include <utility>

namespace qv::sim {

SimTray::SimTray(SimWindows& sim, std::wstring path, TrayScript script)
    : sim_(sim), path_(std::move(path)), script_(script) {}

void SimTray::Start() {
  if (running_ || !sim_.FileExists(path_)) return;
  const int run = ++starts_;
  SimMutex& mutex = sim_.mutexes[kTrayMutexName];
  if (mutex.held || mutex.openHandles > 0) return;  // the name exists: a second copy ends at once
  running_ = true;
  mutex.held = true;  // a fresh mutex: the name was gone
  mutex.abandoned = false;
  sim_.FindFile(path_)->lockedForever = true;  // a running program's file cannot be deleted
  if (script_.windowAfter == 0) {
    ShowWindow(run);
  } else {
    sim_.At(sim_.clock + script_.windowAfter, [this, run] { ShowWindow(run); });
  }
  if (script_.endsAlone != 0) sim_.At(sim_.clock + script_.endsAlone, [this, run] { End(run); });
}

void SimTray::StartWhenLaunched() {
  sim_.onProcessStart = [this](const SimProcessStart& start) {
    if (Lower(start.commandLine) == Lower(L"\"" + path_ + L"\"")) Start();
  };
}

void SimTray::ShowWindow(int run) {
  if (run != starts_ || !running_) return;
  SimWindow& window = sim_.AddWindow(kTrayWindowClass, L"Quintavera");
  window_ = window.hwnd;
  window.onPost = [this, run](SimWindow&, UINT message) {
    if (message != 0x0402) return;
    ++closeMessages_;
    if (script_.endsAfter >= 0) {
      sim_.At(sim_.clock + static_cast<uint64_t>(script_.endsAfter), [this, run] { End(run); });
    }
  };
}

void SimTray::End(int run) {
  if (run != starts_ || !running_) return;
  running_ = false;
  sim_.RemoveWindow(window_);
  SimMutex& mutex = sim_.mutexes[kTrayMutexName];
  mutex.held = false;
  mutex.abandoned = script_.abandonsMutex;
  if (SimFile* file = sim_.FindFile(path_)) {
    file->lockedForever = false;
    file->lockedUntil = sim_.clock + script_.fileLockedFor;
  }
}

}  // namespace qv::sim
