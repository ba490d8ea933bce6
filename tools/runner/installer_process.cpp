// Starting the installer, loading the compatibility layer into it, and watching it run.
#include "installer_process.h"

#include "handle_table.h"
#include "remote_library.h"

#include <psapi.h>

#include <cwchar>

namespace qvrun {

bool InstallerProcess::Start(const std::wstring& application, std::wstring commandLine,
                             const std::wstring& directory, bool suspended) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const DWORD flags = suspended ? CREATE_SUSPENDED : 0;
  if (!::CreateProcessW(application.c_str(), &commandLine[0], nullptr, nullptr, FALSE, flags,
                        nullptr, directory.empty() ? nullptr : directory.c_str(), &startup,
                        &info)) {
    return false;
  }
  process_.Reset(info.hProcess);
  thread_.Reset(info.hThread);
  id_ = info.dwProcessId;
  return true;
}

bool InstallerProcess::InjectLibrary(const std::wstring& dllPath, DWORD timeoutMs) {
  return qvtools::LoadLibraryInto(process_.Get(), dllPath, timeoutMs) ==
         qvtools::RemoteLoad::kLoaded;
}

bool InstallerProcess::Resume() { return ::ResumeThread(thread_.Get()) != static_cast<DWORD>(-1); }

bool InstallerProcess::WaitForEnd(DWORD milliseconds) const {
  return ::WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD InstallerProcess::ExitCode() const {
  DWORD code = 0;
  if (!::GetExitCodeProcess(process_.Get(), &code)) return static_cast<DWORD>(-1);
  return code;
}

void InstallerProcess::Kill(UINT exitCode) const {
  ::TerminateProcess(process_.Get(), exitCode);
  ::WaitForSingleObject(process_.Get(), 5000);
}

bool InstallerProcess::SampleMetrics(ProcessMetrics& metrics) const {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  DWORD handles = 0;
  const bool memory = ::GetProcessMemoryInfo(process_.Get(), &counters, sizeof(counters));
  bool count = ::GetProcessHandleCount(process_.Get(), &handles) && handles > 0;
  if (!count) {  // Wine 8 answers 0: count the process's entries in the system's handle table
    handles = CountHandlesInSystemTable(id_);
    count = handles > 0;
  }
  if (memory && counters.PeakWorkingSetSize > 0) metrics.peakWorkingSet = counters.PeakWorkingSetSize;
  if (count && handles > metrics.handleCount) metrics.handleCount = handles;
  return memory || count;
}

}  // namespace qvrun
