// qvhold: keeps a file open in another process, the way a program using the monitor DLL would
// (tests only).
//
//   qvhold.exe hold <path> [open|load] [seconds]
//       open: CreateFileW with FILE_SHARE_READ only (no FILE_SHARE_DELETE), so nobody else may
//       delete, rename or write it; load: LoadLibraryExW as a data file image. Prints
//       "holding <path>" once it holds the file and keeps it until "qvhold.exe release" or
//       `seconds` (default 120) pass. Exit code 0 when released, 3 after the time, 2 when the file
//       could not be opened.
//   qvhold.exe mutex <name> [seconds]
//       creates and owns the mutex <name> with the default rights of the account, as any program
//       of another account may take a name first; prints "holding <name>", then as above.
//   qvhold.exe release             lets every holder go (exit code 0 when one was waiting)
#include <windows.h>

#include <cwchar>
#include <string>

#include "console_out.h"
#include "unique_handle.h"

namespace {

const wchar_t kReleaseEvent[] = L"Local\\qvhold-release";

struct LoadedModule {
  HMODULE module = nullptr;
  ~LoadedModule() {
    if (module) FreeLibrary(module);
  }
};

int Hold(const std::wstring& path, bool load, DWORD seconds) {
  qvtools::UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, kReleaseEvent));
  if (!release) return 2;
  qvtools::UniqueHandle file;
  LoadedModule module;
  if (load) {
    module.module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  } else {
    file.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  if (!file && !module.module) {
    qvtools::PrintLine(L"cannot hold " + path + L": error " + std::to_wstring(GetLastError()));
    return 2;
  }
  qvtools::PrintLine(L"holding " + path);
  return WaitForSingleObject(release.Get(), seconds * 1000) == WAIT_OBJECT_0 ? 0 : 3;
}

int HoldMutex(const std::wstring& name, DWORD seconds) {
  qvtools::UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, kReleaseEvent));
  qvtools::UniqueHandle mutex(CreateMutexW(nullptr, TRUE, name.c_str()));
  if (!release || !mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
    qvtools::PrintLine(L"cannot hold " + name + L": error " + std::to_wstring(GetLastError()));
    return 2;
  }
  qvtools::PrintLine(L"holding " + name);
  return WaitForSingleObject(release.Get(), seconds * 1000) == WAIT_OBJECT_0 ? 0 : 3;
}

int Release() {
  qvtools::UniqueHandle release(OpenEventW(EVENT_MODIFY_STATE, FALSE, kReleaseEvent));
  if (!release) return 1;
  return SetEvent(release.Get()) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring word = argc > 1 ? argv[1] : L"";
  if (word == L"release") return Release();
  if (word == L"hold" && argc > 2) {
    bool load = argc > 3 && std::wstring(argv[3]) == L"load";
    DWORD seconds = argc > 4 ? wcstoul(argv[4], nullptr, 10) : 120;
    return Hold(argv[2], load, seconds ? seconds : 120);
  }
  if (word == L"mutex" && argc > 2) {
    DWORD seconds = argc > 3 ? wcstoul(argv[3], nullptr, 10) : 120;
    return HoldMutex(argv[2], seconds ? seconds : 120);
  }
  qvtools::PrintLine(
      L"usage: qvhold.exe hold <path> [open|load] [seconds] | mutex <name> [seconds] | release");
  return 253;
}
