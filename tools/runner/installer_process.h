// The installer's process as the runner starts, prepares and watches it.
#pragma once

#include <windows.h>

#include <string>

#include "unique_handle.h"

namespace qvrun {

struct ProcessMetrics {
  SIZE_T peakWorkingSet = 0;  // bytes
  DWORD handleCount = 0;      // highest seen
};

class InstallerProcess {
 public:
  // Starts `commandLine` with `directory` as its current directory; suspended when asked.
  bool Start(const std::wstring& application, std::wstring commandLine,
             const std::wstring& directory, bool suspended);

  // Loads `dllPath` into the (suspended) process through a remote LoadLibraryW and waits for
  // it. Returns false when the library did not load within `timeoutMs`.
  bool InjectLibrary(const std::wstring& dllPath, DWORD timeoutMs);

  bool Resume();

  // Waits up to `milliseconds` for the end; true when the process has ended.
  bool WaitForEnd(DWORD milliseconds) const;

  DWORD ExitCode() const;
  void Kill(UINT exitCode) const;

  // Keeps the newest working-set peak and the highest handle count; false once they cannot be
  // read.
  bool SampleMetrics(ProcessMetrics& metrics) const;

  DWORD Id() const { return id_; }

 private:
  qvtools::UniqueHandle process_;
  qvtools::UniqueHandle thread_;
  DWORD id_ = 0;
};

}  // namespace qvrun
