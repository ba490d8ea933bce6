// The version resources the installer reads (QueryFileBuildNumber: the fourth number of the product
// version) of every built component and the setup program, and the help file's make-up.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

TEST(VersionTest, EveryComponentCarriesBuild2629) {
  std::vector<std::wstring> files = {L"package\\drv\\orbmon64.dll", L"package\\drv\\orbdrv64.dll",
                                     L"package\\drv\\orbui64.dll", L"package\\drv\\qvinstall.exe",
                                     L"package\\qvatray.exe"};
#ifdef QV_TEST_HAVE_QuintaveraSetup
  files.push_back(L"setup\\QuintaveraSetup.exe");
#endif
  for (const std::wstring& file : files) {
    const std::wstring path = QV_TEST_BUILD_DIR L"\\" + file;
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u) << "no version resource, error " << GetLastError();
    std::vector<BYTE> block(size, 0);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    void* value = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &len));
    ASSERT_GE(len, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(LOWORD(fixed->dwProductVersionLS), 2629);
  }
}

#ifdef QV_TEST_HAVE_orbhelp
TEST(HelpFileTest, IsACompiledHelpFileTitledQuintaveraHelp) {
  std::ifstream file(std::filesystem::path(QV_TEST_BUILD_DIR L"\\package\\drv\\orbhelp.chm"),
                     std::ios::binary);
  ASSERT_TRUE(file);
  std::string data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  EXPECT_EQ(data.substr(0, 4), "ITSF");  // the CHM (ITS) signature
  EXPECT_NE(data.find("Quintavera Help"), std::string::npos);
}
#endif

}  // namespace
