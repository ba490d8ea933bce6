// The version resources the installer reads (QueryFileBuildNumber: the fourth number of the product
// version), the setup program's stamp and the help file's make-up.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>


namespace {

// One string of the version block's English (US, Unicode) table, or "" when absent.
std::wstring StringValue(std::vector<BYTE>& block, const wchar_t* name) {
  std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(block.data(), key.c_str(), &value, &len) || value == nullptr) return L"";
  return static_cast<const wchar_t*>(value);
}

TEST(VersionTest, EveryComponentCarriesBuild2629) {
  for (const std::wstring path :
       {QV_TEST_DRV_DIR L"\\orbmon64.dll", QV_TEST_DRV_DIR L"\\orbdrv64.dll",
        QV_TEST_DRV_DIR L"\\orbui64.dll", QV_TEST_DRV_DIR L"\\qvinstall.exe",
        QV_TEST_PACKAGE_DIR L"\\qvatray.exe",
#ifdef QV_TEST_SETUP_EXE
        QV_TEST_SETUP_EXE,
#endif
       }) {
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u) << "no version resource, error " << GetLastError();
    std::vector<BYTE> block(size, 0);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    void* value = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &len));
    ASSERT_GE(len, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(LOWORD(fixed->dwProductVersionLS), 2629);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 2629);
    EXPECT_EQ(HIWORD(fixed->dwProductVersionMS), 1);
    EXPECT_EQ(StringValue(block, L"CompanyName"), L"Orbelin");
    EXPECT_EQ(StringValue(block, L"ProductName"), L"Quintavera");
    EXPECT_EQ(StringValue(block, L"ProductVersion"), L"1.0.0.2629");
  }
}

#ifdef QV_TEST_HAVE_HELP
TEST(HelpFileTest, IsACompiledHelpFileTitledQuintaveraHelp) {
  std::ifstream file(std::filesystem::path(QV_TEST_DRV_DIR L"\\orbhelp.chm"), std::ios::binary);
  ASSERT_TRUE(file);
  std::string data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  EXPECT_EQ(data.substr(0, 4), "ITSF");  // the CHM (ITS) signature
  EXPECT_NE(data.find("Quintavera Help"), std::string::npos);
}
#endif

}  // namespace
