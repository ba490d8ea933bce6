// The version resources the installer reads (QueryFileBuildNumber: the fourth number of the product
// version) and the help file's make-up.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component_paths.h"

namespace {

constexpr WORD kBuild = 2629;

struct VersionInfo {
  std::vector<BYTE> block;
  VS_FIXEDFILEINFO* fixed = nullptr;
};

bool ReadVersion(const std::wstring& path, VersionInfo* info) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return false;
  info->block.assign(size, 0);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, info->block.data())) return false;
  UINT len = 0;
  void* fixed = nullptr;
  if (!VerQueryValueW(info->block.data(), L"\\", &fixed, &len) || len < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  info->fixed = static_cast<VS_FIXEDFILEINFO*>(fixed);
  return info->fixed->dwSignature == VS_FFI_SIGNATURE;
}

std::wstring StringValue(VersionInfo* info, const wchar_t* name) {
  std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(info->block.data(), key.c_str(), &value, &len) || value == nullptr) {
    return L"";
  }
  return static_cast<const wchar_t*>(value);
}

class VersionTest : public ::testing::TestWithParam<std::wstring> {};

TEST_P(VersionTest, ProductVersionCarriesTheBuild) {
  const std::wstring& path = GetParam();
  VersionInfo info;
  ASSERT_TRUE(ReadVersion(path, &info)) << "no version resource, error " << GetLastError();
  EXPECT_EQ(LOWORD(info.fixed->dwProductVersionLS), kBuild);
  EXPECT_EQ(LOWORD(info.fixed->dwFileVersionLS), kBuild);
  EXPECT_EQ(HIWORD(info.fixed->dwProductVersionMS), 1);
  EXPECT_EQ(StringValue(&info, L"CompanyName"), L"Orbelin");
  EXPECT_EQ(StringValue(&info, L"ProductName"), L"Quintavera");
  EXPECT_EQ(StringValue(&info, L"ProductVersion"), L"1.0.0.2629");
}

INSTANTIATE_TEST_SUITE_P(Components, VersionTest,
                         ::testing::Values(qvtest::DrvFile(L"orbmon64.dll"),
                                           qvtest::DrvFile(L"orbdrv64.dll"),
                                           qvtest::DrvFile(L"orbui64.dll"),
                                           qvtest::PackageFile(L"qvatray.exe")));

#ifdef QV_TEST_HAVE_HELP
TEST(HelpFileTest, IsACompiledHelpFileTitledQuintaveraHelp) {
  HANDLE h = CreateFileW(qvtest::DrvFile(L"orbhelp.chm").c_str(), GENERIC_READ, FILE_SHARE_READ,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
  std::string data(1 << 20, '\0');
  DWORD got = 0;
  BOOL ok = ReadFile(h, &data[0], static_cast<DWORD>(data.size()), &got, nullptr);
  CloseHandle(h);
  ASSERT_TRUE(ok);
  data.resize(got);
  ASSERT_GT(data.size(), 4u);
  EXPECT_EQ(data.substr(0, 4), "ITSF");  // the CHM (ITS) signature
  EXPECT_NE(data.find("Quintavera Help"), std::string::npos);
}
#endif

}  // namespace
