// QueryFileBuildNumber: the build a file's version resource names.
#include "os/file_version.h"

#include <vector>

#include "os/windows_api.h"

namespace qv {

int32_t QueryFileBuildNumber(const wchar_t* path) {
  const DWORD size = Os().GetFileVersionInfoSizeW(path, nullptr);  // lpdwHandle: optional, unused
  if (size == 0) return -1;
  std::vector<BYTE> data(size);
  if (!Os().GetFileVersionInfoW(path, 0, size, data.data())) return -1;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!Os().VerQueryValueW(data.data(), L"\\", reinterpret_cast<LPVOID*>(&info), &length) ||
      !info || length < sizeof(VS_FIXEDFILEINFO)) {
    return -1;
  }
  return static_cast<int32_t>(LOWORD(info->dwProductVersionLS));
}

}  // namespace qv
