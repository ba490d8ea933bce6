// The jobs folder made, or checked before use, and the job file created with its rights.
#include "job_folder.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <strsafe.h>

namespace orbmon {
namespace {

constexpr wchar_t kCompanyDir[] = L"Quintavera";
constexpr wchar_t kJobsDir[] = L"Jobs";
// Owner Administrators; full control for SYSTEM and the Administrators, on the folder and what
// is made in it; nothing inherited from ProgramData, which lets every user read.
constexpr wchar_t kFolderAccess[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// The job file: as the folder, and read for the person who printed it (the SID is appended).
constexpr wchar_t kJobAccess[] = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)";
// What nobody but SYSTEM and the Administrators may have on a jobs folder: listing it, making or
// removing what is in it, changing its rights.
constexpr ACCESS_MASK kOwnersOnly = FILE_LIST_DIRECTORY | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY |
                                    FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER |
                                    GENERIC_ALL | GENERIC_READ | GENERIC_WRITE;

volatile LONG g_fileCounter = 0;

// A security descriptor made from SDDL, freed with the object.
class Descriptor {
 public:
  explicit Descriptor(LPCWSTR sddl) {
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd_,
                                                              nullptr)) {
      sd_ = nullptr;
    }
  }
  ~Descriptor() { LocalFree(sd_); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  PSECURITY_DESCRIPTOR Get() const { return sd_; }

 private:
  PSECURITY_DESCRIPTOR sd_ = nullptr;
};

// Reports a refusal as the spooler's components report: to the debugger's output.
void Report(LPCWSTR what, LPCWSTR folder) {
  wchar_t line[MAX_PATH + 160];
  if (SUCCEEDED(StringCchPrintfW(line, ARRAYSIZE(line), L"Quintavera port monitor: %ls: %ls\n",
                                 what, folder))) {
    OutputDebugStringW(line);
  }
}

// The account the monitor runs as: the spooler's, SYSTEM.
bool IsOwnAccount(PSID sid) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } info;
  DWORD size = 0;
  const bool same = GetTokenInformation(token, TokenUser, &info, sizeof(info), &size) &&
                    EqualSid(info.user.User.Sid, sid);
  CloseHandle(token);
  return same;
}

// Those a jobs folder may belong to: SYSTEM, the Administrators, the monitor's own account.
bool IsTrusted(PSID sid) {
  return sid != nullptr && (IsWellKnownSid(sid, WinLocalSystemSid) ||
                            IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsOwnAccount(sid));
}

// True when `dacl` lets someone untrusted list or change the folder. A missing DACL lets everyone
// do everything; an allowing ACE of another kind than the plain one may name anyone.
bool OpenToOthers(PACL dacl) {
  if (dacl == nullptr) return true;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return true;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return true;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if ((allowed->Mask & kOwnersOnly) != 0 && !IsTrusted(sid)) return true;
  }
  return false;
}

// Gives a folder of SYSTEM or the Administrators the jobs folder's own rights again (one made
// by an earlier monitor inherited ProgramData's, which let every user read).
bool CloseToOthers(LPCWSTR folder) {
  Descriptor wanted(kFolderAccess);
  PACL dacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  if (!wanted.Get() || !GetSecurityDescriptorDacl(wanted.Get(), &present, &dacl, &defaulted))
    return false;
  const DWORD result =
      SetNamedSecurityInfoW(const_cast<LPWSTR>(folder), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, dacl, nullptr);
  if (result != ERROR_SUCCESS) SetLastError(result);
  return result == ERROR_SUCCESS;
}

// A folder that existed before: used only when it is a folder, not a link, and belongs to a
// trusted account. A standard user cannot give a folder to any of them, so such a folder was made
// by them; if its rights let others in, they are set to the jobs folder's own.
bool CheckExistingFolder(LPCWSTR folder) {
  const DWORD attributes = GetFileAttributesW(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    Report(L"not a folder of its own, no job is stored in", folder);
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  const DWORD result = GetNamedSecurityInfoW(folder, SE_FILE_OBJECT,
                                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                             &owner, nullptr, &dacl, nullptr, &sd);
  if (result != ERROR_SUCCESS) {
    SetLastError(result);
    return false;
  }
  const bool trusted = IsTrusted(owner);
  const bool open = OpenToOthers(dacl);
  LocalFree(sd);
  if (!trusted) {
    Report(L"another account owns the folder, no job is stored in", folder);
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (!open) return true;
  Report(L"others had rights on the folder, they are taken away", folder);
  return CloseToOthers(folder);
}

// Makes `folder` with the jobs folder's rights, or checks the one that exists.
bool EnsureFolder(LPCWSTR folder) {
  Descriptor access(kFolderAccess);
  if (!access.Get()) return false;
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), access.Get(), FALSE};
  if (CreateDirectoryW(folder, &attributes)) return true;
  if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  return CheckExistingFolder(folder);
}

// The jobs folder, made or checked, with a trailing backslash.
bool JobsFolder(wchar_t* out, size_t cch) {
  wchar_t base[MAX_PATH];
  wchar_t company[MAX_PATH];
  const HRESULT found =
      SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base);
  if (FAILED(found)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  return SUCCEEDED(StringCchPrintfW(company, MAX_PATH, L"%ls\\%ls", base, kCompanyDir)) &&
         EnsureFolder(company) &&
         SUCCEEDED(StringCchPrintfW(out, cch, L"%ls\\%ls", company, kJobsDir)) &&
         EnsureFolder(out) && SUCCEEDED(StringCchCatW(out, cch, L"\\"));
}

// The spooler calls the monitor while it impersonates the person who printed the job. The jobs
// folder and files are made as the spooler's own account (as RevertToPrinterSelf does); the
// scope's end impersonates the person again. `PersonSid` is the person's, when there is one.
class AsSpooler {
 public:
  AsSpooler() {
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_IMPERSONATE | TOKEN_QUERY, TRUE, &person_)) {
      person_ = nullptr;  // not impersonating: the thread is the spooler's already
      return;
    }
    DWORD size = 0;
    known_ = GetTokenInformation(person_, TokenUser, &user_, sizeof(user_), &size) != FALSE;
    reverted_ = RevertToSelf() != FALSE;
  }
  ~AsSpooler() {
    if (person_ == nullptr) return;
    if (reverted_) SetThreadToken(nullptr, person_);
    CloseHandle(person_);
  }
  AsSpooler(const AsSpooler&) = delete;
  AsSpooler& operator=(const AsSpooler&) = delete;

  bool Reverted() const { return person_ == nullptr || reverted_; }
  PSID PersonSid() const { return person_ != nullptr && known_ ? user_.user.User.Sid : nullptr; }

 private:
  HANDLE person_ = nullptr;
  bool reverted_ = true;
  bool known_ = false;  // the token's user was read
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } user_ = {};
};

// The job file's rights: SYSTEM and the Administrators, and read for `person` when known.
bool JobAccess(PSID person, wchar_t* sddl, size_t cch) {
  if (FAILED(StringCchCopyW(sddl, cch, kJobAccess))) return false;
  LPWSTR text = nullptr;
  if (person == nullptr || !ConvertSidToStringSidW(person, &text)) return true;
  const HRESULT added =
      StringCchCatExW(sddl, cch, L"(A;;FR;;;", nullptr, nullptr, STRSAFE_NO_TRUNCATION);
  const bool whole =
      SUCCEEDED(added) &&
      SUCCEEDED(StringCchCatExW(sddl, cch, text, nullptr, nullptr, STRSAFE_NO_TRUNCATION)) &&
      SUCCEEDED(StringCchCatExW(sddl, cch, L")", nullptr, nullptr, STRSAFE_NO_TRUNCATION));
  LocalFree(text);
  return whole;
}

}  // namespace

HANDLE CreateJobFile(DWORD jobId, wchar_t* path, size_t cch) {
  const AsSpooler self;
  wchar_t folder[MAX_PATH];
  wchar_t sddl[512];
  if (!self.Reverted() || !JobAccess(self.PersonSid(), sddl, ARRAYSIZE(sddl)) ||
      !JobsFolder(folder, MAX_PATH)) {
    return INVALID_HANDLE_VALUE;
  }
  Descriptor access(sddl);
  if (!access.Get()) return INVALID_HANDLE_VALUE;
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), access.Get(), FALSE};
  SYSTEMTIME now;
  GetLocalTime(&now);
  for (int attempt = 0; attempt < 100; ++attempt) {
    LONG n = InterlockedIncrement(&g_fileCounter);
    HRESULT hr = StringCchPrintfW(
        path, cch, L"%lsjob-%lu-%04u%02u%02u-%02u%02u%02u-%lu-%ld.prn", folder,
        static_cast<unsigned long>(jobId), now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
        now.wSecond, static_cast<unsigned long>(GetCurrentProcessId()), static_cast<long>(n));
    if (FAILED(hr)) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return INVALID_HANDLE_VALUE;
    }
    HANDLE h = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, &attributes, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    DWORD err = GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

}  // namespace orbmon
