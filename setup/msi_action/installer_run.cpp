// Running qvinstall.exe quietly and reading its log back.
#include "installer_run.h"

#include "scoped_handle.h"

namespace qvmsi {
namespace {

constexpr LONGLONG kMaxLogBytes = 64LL * 1024 * 1024;

std::wstring DirectoryOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], length);
  return wide;
}

// The whole file; empty when it cannot be read (the installer could not write it).
std::string ReadFileBytes(const std::wstring& path) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size = {};
  if (file.Get() == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file.Get(), &size) ||
      size.QuadPart > kMaxLogBytes) {
    return std::string();
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      !::ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return std::string();
  }
  bytes.resize(read);
  return bytes;
}

}  // namespace

std::wstring InstallerCommandLine(const std::wstring& exe, const std::wstring& word,
                                  const std::wstring& logPath) {
  return L"\"" + exe + L"\" " + word + L" \"/log=" + logPath + L"\"";
}

InstallerRun RunInstaller(const std::wstring& exe, const std::wstring& word,
                          const std::wstring& logPath, DWORD timeoutMs) {
  InstallerRun run;
  ::DeleteFileW(logPath.c_str());  // no line of an earlier run is taken for this one's
  std::wstring commandLine = InstallerCommandLine(exe, word, logPath);
  const std::wstring directory = DirectoryOf(exe);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, directory.empty() ? nullptr : directory.c_str(), &startup,
                        &info)) {
    run.startError = ::GetLastError();
    return run;
  }
  ScopedHandle process(info.hProcess);
  ScopedHandle thread(info.hThread);
  run.started = true;
  run.finished = ::WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0;
  if (!run.finished) {
    ::TerminateProcess(process.Get(), ERROR_TIMEOUT);
    ::WaitForSingleObject(process.Get(), 5000);
  }
  if (!::GetExitCodeProcess(process.Get(), &run.exitCode)) run.exitCode = ERROR_TIMEOUT;
  run.logLines = SplitLogText(ReadFileBytes(logPath));
  ::DeleteFileW(logPath.c_str());
  return run;
}

std::vector<std::wstring> SplitLogText(const std::string& utf8) {
  static const char kBom[] = "\xEF\xBB\xBF";
  const size_t start = utf8.compare(0, 3, kBom) == 0 ? 3 : 0;
  std::vector<std::wstring> lines;
  size_t begin = start;
  while (begin < utf8.size()) {
    size_t end = utf8.find('\n', begin);
    const size_t next = end == std::string::npos ? utf8.size() : end + 1;
    if (end == std::string::npos) end = utf8.size();
    if (end > begin && utf8[end - 1] == '\r') --end;
    lines.push_back(Utf8ToWide(utf8.substr(begin, end - begin)));
    begin = next;
  }
  return lines;
}

}  // namespace qvmsi
