// Loading a DLL into another process through a remote LoadLibraryW thread.
#include "remote_library.h"

#include "unique_handle.h"

namespace qvtools {

RemoteLoad LoadLibraryInto(HANDLE process, const std::wstring& dllPath, DWORD timeoutMs) {
  // kernel32 lies at the same address in every process of the session.
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  FARPROC loadLibrary = kernel32 ? ::GetProcAddress(kernel32, "LoadLibraryW") : nullptr;
  if (!loadLibrary) return RemoteLoad::kFailed;

  const SIZE_T bytes = (dllPath.size() + 1) * sizeof(wchar_t);
  RemoteBlock block(process, bytes);
  if (!block.Address()) return RemoteLoad::kFailed;
  SIZE_T written = 0;
  if (!::WriteProcessMemory(process, block.Address(), dllPath.c_str(), bytes, &written) ||
      written != bytes) {
    return RemoteLoad::kFailed;
  }
  auto start = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(loadLibrary));
  UniqueHandle loader(::CreateRemoteThread(process, nullptr, 0, start, block.Address(), 0, nullptr));
  if (!loader) return RemoteLoad::kFailed;
  if (::WaitForSingleObject(loader.Get(), timeoutMs) != WAIT_OBJECT_0) {
    // The block must outlive the thread that reads it: the process ends before the block goes.
    ::TerminateProcess(process, 255);
    ::WaitForSingleObject(loader.Get(), 5000);
    return RemoteLoad::kTimedOut;
  }
  DWORD loaded = 0;  // the low half of the module handle; zero when LoadLibraryW failed
  return ::GetExitCodeThread(loader.Get(), &loaded) && loaded != 0 ? RemoteLoad::kLoaded
                                                                   : RemoteLoad::kFailed;
}

}  // namespace qvtools
