// File existence and version resources for the state report.
#include "file_facts.h"

#include <windows.h>

#include <vector>

#include "console_out.h"
#include "report_line.h"

namespace qvstate {
namespace {

constexpr DWORD kMaxVersionBlock = 1024 * 1024;

}  // namespace

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring FileVersion(const std::wstring& path) {
  DWORD unused = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &unused);
  if (size == 0 || size > kMaxVersionBlock) return L"(none)";
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return L"(none)";
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return L"(none)";
  }
  return std::to_wstring(HIWORD(info->dwProductVersionMS)) + L"." +
         std::to_wstring(LOWORD(info->dwProductVersionMS)) + L"." +
         std::to_wstring(HIWORD(info->dwProductVersionLS)) + L"." +
         std::to_wstring(LOWORD(info->dwProductVersionLS));
}

void ReportFile(const std::wstring& path) {
  const bool exists = FileExists(path);
  qvtools::PrintLine(L"file: " + path + Field(L"exists", YesNo(exists)) +
                     Field(L"version", exists ? FileVersion(path) : L"(none)"));
}

}  // namespace qvstate
