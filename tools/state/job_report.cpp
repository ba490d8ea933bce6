// Job folders and files with their security descriptors.
#include "job_report.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>

#include "console_out.h"
#include "report_line.h"

namespace qvstate {
namespace {

// The owner and DACL of `path` as SDDL, or "(unreadable: <error>)".
std::wstring RightsOf(const std::wstring& path) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  const DWORD error = ::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, parts, nullptr, nullptr,
                                              nullptr, nullptr, &sd);
  if (error != ERROR_SUCCESS) return L"(unreadable: " + std::to_wstring(error) + L")";
  LPWSTR text = nullptr;
  std::wstring rights = L"(unreadable)";
  if (::ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, parts, &text,
                                                             nullptr)) {
    rights = text;
    ::LocalFree(text);
  }
  ::LocalFree(sd);
  return rights;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ReportJobFiles(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((folder + L"\\*.prn").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    qvtools::PrintLine(std::wstring(L"job file: ") + found.cFileName +
                       Field(L"rights", RightsOf(folder + L"\\" + found.cFileName)));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

}  // namespace

void ReportJobs() {
  wchar_t base[MAX_PATH];
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base)))
    return;
  std::wstring folder = std::wstring(base) + L"\\Quintavera";
  for (const wchar_t* sub : {L"", L"\\Jobs"}) {
    folder += sub;
    if (!IsFolder(folder)) return;
    qvtools::PrintLine(L"job folder: " + folder + Field(L"rights", RightsOf(folder)));
  }
  ReportJobFiles(folder);
}

}  // namespace qvstate
