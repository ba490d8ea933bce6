// A fresh work folder only SYSTEM and Administrators can write.
#include "work_folder.h"

#include <bcrypt.h>
#include <sddl.h>

namespace qvmsi {
namespace {

constexpr wchar_t kNamePrefix[] = L"Quintavera package ";
constexpr int kNameAttempts = 8;
// Owner Administrators; protected (nothing inherited from the temporary folder): full control for
// SYSTEM and Administrators, passed to the files made inside.
constexpr wchar_t kFolderSecurity[] = L"O:BAG:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

using GetTempPath2Function = DWORD(WINAPI*)(DWORD, LPWSTR);

// Frees a security descriptor made by ConvertStringSecurityDescriptorToSecurityDescriptorW.
class ScopedLocal {
 public:
  ScopedLocal() = default;
  ScopedLocal(const ScopedLocal&) = delete;
  ScopedLocal& operator=(const ScopedLocal&) = delete;
  ~ScopedLocal() {
    if (memory_) ::LocalFree(memory_);
  }
  PSECURITY_DESCRIPTOR* Receive() { return &memory_; }
  PSECURITY_DESCRIPTOR Get() const { return memory_; }

 private:
  PSECURITY_DESCRIPTOR memory_ = nullptr;
};

std::wstring TempPath(GetTempPath2Function get) {
  wchar_t path[MAX_PATH + 1];
  const DWORD length = get(MAX_PATH + 1, path);
  return length > 0 && length <= MAX_PATH ? std::wstring(path, length) : std::wstring();
}

// 16 hexadecimal digits from the system's random numbers: a name no user can foresee.
bool RandomName(std::wstring& name) {
  unsigned char bytes[8];
  if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, bytes, sizeof(bytes),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return false;
  }
  static const wchar_t kDigits[] = L"0123456789abcdef";
  name = kNamePrefix;
  for (unsigned char byte : bytes) {
    name += kDigits[byte >> 4];
    name += kDigits[byte & 15];
  }
  return true;
}

}  // namespace

// GetTempPath2W (documentation page "GetTempPath2W function"): build 20348, and Windows 10 and
// Server 2016 from version 1607 with the updates of March 2025. It is looked up, not imported, so
// that the DLL loads where it is missing; there GetTempPathW's folder serves, made safe by the
// fresh folder below.
std::wstring ElevatedTempFolder() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const auto temp2 = reinterpret_cast<GetTempPath2Function>(
      kernel ? reinterpret_cast<void*>(::GetProcAddress(kernel, "GetTempPath2W")) : nullptr);
  const std::wstring path = temp2 ? TempPath(temp2) : std::wstring();
  return path.empty() ? TempPath(&::GetTempPathW) : path;
}

// CreateDirectoryW fails on a name that exists, whoever made it: such a folder is left alone and
// another name is drawn.
WorkFolder::WorkFolder() {
  const std::wstring base = ElevatedTempFolder();
  ScopedLocal descriptor;
  if (base.empty() || !::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                          kFolderSecurity, SDDL_REVISION_1, descriptor.Receive(), nullptr)) {
    error_ = ::GetLastError();
    return;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
  std::wstring name;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    if (!RandomName(name)) {
      error_ = ERROR_INTERNAL_ERROR;
      return;
    }
    if (::CreateDirectoryW((base + name).c_str(), &attributes)) {
      folder_ = base + name + L"\\";
      return;
    }
    error_ = ::GetLastError();
    if (error_ != ERROR_ALREADY_EXISTS) return;
  }
}

WorkFolder::~WorkFolder() {
  if (folder_.empty()) return;
  for (const std::wstring& file : files_) ::DeleteFileW(file.c_str());
  ::RemoveDirectoryW(folder_.c_str());
}

std::wstring WorkFolder::File(const std::wstring& name) {
  files_.push_back(folder_ + name);
  return files_.back();
}

}  // namespace qvmsi
