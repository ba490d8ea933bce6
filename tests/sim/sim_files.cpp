// SimWindows files: contents, locks, version resources and the reboot queue.
#include <cstring>
#include <cwchar>

#include "sim_windows.h"

namespace qv::sim {
namespace {

constexpr char kBuildMarker[] = "[build=";

int32_t BuildOf(const SimFile& file) {
  const size_t at = file.data.find(kBuildMarker);
  if (at == std::string::npos) return -1;
  return std::atoi(file.data.c_str() + at + std::strlen(kBuildMarker));
}

}  // namespace

SimFile& SimWindows::AddFile(const std::wstring& path, std::string data, int32_t build) {
  if (build >= 0) data = kBuildMarker + std::to_string(build) + "]" + data;
  SimFile& file = files[Lower(path)];
  file.data = std::move(data);
  return file;
}

SimFile* SimWindows::FindFile(const std::wstring& path) {
  auto found = files.find(Lower(path));
  return found == files.end() ? nullptr : &found->second;
}

bool SimWindows::FileExists(const std::wstring& path) const {
  return files.count(Lower(path)) != 0;
}

// The spooler keeps its files loaded until it has stopped completely (a stop still pending holds
// them too).
static bool IsLocked(const SimWindows& sim, const SimFile& file) {
  return file.lockedForever || sim.clock < file.lockedUntil ||
         (file.heldBySpooler && sim.spoolerService.state != SERVICE_STOPPED);
}

// CreateFileW: FILE_ATTRIBUTE_READONLY, "Applications can read the file, but cannot write to or
// delete it"; a file made anew takes the attributes given.
HANDLE SimWindows::CreateFileW(LPCWSTR fileName, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                               DWORD disposition, DWORD attributes, HANDLE) {
  if (Fault("CreateFileW")) return INVALID_HANDLE_VALUE;
  SimFile* file = FindFile(fileName);
  if (access & GENERIC_WRITE) {
    const bool denied = file && (file->directory || file->readOnly);
    if (denied || (file && IsLocked(*this, *file)))
      return Fail(denied ? DWORD{ERROR_ACCESS_DENIED} : file->openRefusal, INVALID_HANDLE_VALUE);
    if (disposition == CREATE_ALWAYS || !file) {
      SimFile& made = files[Lower(fileName)];
      made.data.clear();
      made.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    }
    return NewHandle(HandleKind::kFile, Lower(fileName), GENERIC_WRITE);
  }
  if (!file || file->directory)
    return Fail(file ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  return NewHandle(HandleKind::kFile, Lower(fileName));
}

BOOL SimWindows::ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
  *read = 0;
  if (Fault("ReadFile")) return FALSE;
  HandleEntry* entry = FindHandle(handle, HandleKind::kFile);
  SimFile* file = entry ? FindFile(entry->name) : nullptr;
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  const uint64_t available =
      file->data.size() - std::min<uint64_t>(entry->position, file->data.size());
  *read = static_cast<DWORD>(std::min<uint64_t>(available, toRead));
  std::memcpy(buffer, file->data.data() + entry->position, *read);
  entry->position += *read;
  return TRUE;
}

BOOL SimWindows::WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                           LPOVERLAPPED) {
  *written = 0;
  if (Fault("WriteFile")) return FALSE;
  HandleEntry* entry = FindHandle(handle, HandleKind::kFile);
  SimFile* file = entry && (entry->access & GENERIC_WRITE) ? FindFile(entry->name) : nullptr;
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  file->data.append(static_cast<const char*>(buffer), toWrite);
  *written = toWrite;
  return TRUE;
}

BOOL SimWindows::DeleteFileW(LPCWSTR fileName) {
  if (Fault("DeleteFileW")) return FALSE;
  SimFile* file = FindFile(fileName);
  if (!file) return Fail(ERROR_FILE_NOT_FOUND);
  if (file->directory || file->readOnly || IsLocked(*this, *file)) return Fail(ERROR_ACCESS_DENIED);
  files.erase(Lower(fileName));
  return TRUE;
}

BOOL SimWindows::MoveFileExW(LPCWSTR existing, LPCWSTR newName, DWORD flags) {
  if (Fault("MoveFileExW")) return FALSE;
  if (!(flags & MOVEFILE_DELAY_UNTIL_REBOOT) || newName) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<std::wstring> queue = PendingRenames();
  queue.push_back(std::wstring(L"\\??\\") + existing);
  queue.push_back(L"");
  SetRegMultiSz(kSessionManagerKey, kPendingRenamesValue, queue);
  return TRUE;
}

std::vector<std::wstring> SimWindows::PendingRenames(const wchar_t* value) const {
  std::vector<std::wstring> strings;
  if (!HasRegValue(kSessionManagerKey, value)) return strings;
  const auto& bytes = registry.at(Lower(kSessionManagerKey)).at(Lower(value)).data;
  const std::wstring chars(reinterpret_cast<const wchar_t*>(bytes.data()),
                           bytes.size() / sizeof(wchar_t));
  // Strings up to the final NUL of the list; empty targets stand in the middle.
  for (size_t start = 0, end; (end = chars.find(L'\0', start)) < chars.size() - 1; start = end + 1)
    strings.push_back(chars.substr(start, end - start));
  return strings;
}

// GetTempPath2W: "When calling this function from a process running as SYSTEM it will return the
// path C:\Windows\SystemTemp"; for any other account it behaves as GetTempPathW.
DWORD SimWindows::GetTempPath2W(DWORD size, LPWSTR buffer) {
  if (Fault("GetTempPath2W")) return 0;
  const std::wstring directory =
      account == SimAccount::kSystem ? std::wstring(L"C:\\Windows\\SystemTemp\\") : tempDirectory;
  const auto length = static_cast<DWORD>(directory.size());
  FillTold(buffer, size, directory);
  return size <= length ? length + 1 : length;
}

DWORD SimWindows::GetFileAttributesW(LPCWSTR fileName) {
  if (Fault("GetFileAttributesW")) return INVALID_FILE_ATTRIBUTES;
  const SimFile* file = FindFile(fileName);
  if (!file) return Fail(ERROR_FILE_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
  return file->directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
}

DWORD SimWindows::GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
  if (handle) *handle = 0;
  if (Fault("GetFileVersionInfoSizeW")) return 0;
  const SimFile* file = FindFile(fileName);
  if (!file || BuildOf(*file) < 0)
    return Fail(file ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_FILE_NOT_FOUND, DWORD{0});
  return sizeof(VS_FIXEDFILEINFO) + 16;
}

BOOL SimWindows::GetFileVersionInfoW(LPCWSTR fileName, DWORD, DWORD size, LPVOID data) {
  if (Fault("GetFileVersionInfoW")) return FALSE;
  const SimFile* file = FindFile(fileName);
  if (!file || BuildOf(*file) < 0 || size < sizeof(VS_FIXEDFILEINFO))
    return Fail(ERROR_RESOURCE_TYPE_NOT_FOUND);
  VS_FIXEDFILEINFO info = {};
  info.dwSignature = VS_FFI_SIGNATURE;
  info.dwProductVersionMS = 0x00050000;
  info.dwProductVersionLS = static_cast<DWORD>(BuildOf(*file)) & 0xFFFF;
  std::memcpy(data, &info, sizeof info);
  return TRUE;
}

BOOL SimWindows::VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) {
  if (Fault("VerQueryValueW") || std::wcscmp(subBlock, L"\\") != 0) return FALSE;
  *buffer = const_cast<LPVOID>(block);
  *length = sizeof(VS_FIXEDFILEINFO);
  return TRUE;
}

}  // namespace qv::sim
