// The spooler's DLL is bound from the system directory even when a module of the same base name,
// loaded from elsewhere by someone else, is already in the process.
#include <gtest/gtest.h>

#include "os/windows_api.h"

TEST(SystemDllBinding, ModuleOfTheSameNameAlreadyLoadedIsNotBound) {
  const HMODULE planted = ::LoadLibraryW(QV_TEST_PLANTED_WINSPOOL);
  ASSERT_NE(planted, nullptr);
  ASSERT_EQ(::GetProcAddress(planted, "EnumMonitorsW"), nullptr);  // the planted copy indeed
  DWORD needed = 0;
  DWORD returned = 0;
  qv::Os().SetLastError(ERROR_SUCCESS);
  qv::Os().EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &returned);
  EXPECT_NE(qv::Os().GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_GT(needed, 0u);
  ::FreeLibrary(planted);
  ::DeleteFileW(L"C:\\planted-winspool.txt");
}
