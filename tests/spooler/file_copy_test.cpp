// Copying a product file: the locked target's bounded wait, the copy loop's and destPath's limits.
#include "spooler/file_copy.h"

#include "context/install_context.h"
#include "scenario.h"

namespace qv::sim {
namespace {

constexpr wchar_t kSystem[] = L"C:\\windows\\system32";

class FileCopyTest : public Scenario {
 protected:
  FileCopyTest() {
    ctx.moduleDir.Assign(kSetupDir);
    sim.AddFile(std::wstring(kSetupDir) + L"orbmon64.dll", "monitor", 2629);
  }
  HRESULT Copy(const wchar_t* destDir, bool logAsError = true) {
    return CopyProductFile(ctx, destDir, L"orbmon64.dll", destPath, logAsError);
  }
  std::vector<std::wstring> Lines() const { return SplitLines(ctx.logText.Text()); }

  InstallContext ctx;
  wchar_t destPath[kDestPathCapacity] = L"unset";
};

// A machine whose every open takes 150 ms, so the attempts reach the 10 s bound first, and whose
// tick count wraps during the wait.
struct SlowOpens : SimWindows {
  DWORD GetTickCount() override { return SimWindows::GetTickCount() + 0xFFFFF000u; }
  HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes,
                     DWORD disposition, DWORD flags, HANDLE templateFile) override {
    Advance(150);
    return SimWindows::CreateFileW(name, access, share, attributes, disposition, flags,
                                   templateFile);
  }
};

TEST_F(FileCopyTest, SlowAttemptsEndWithTheTimeoutLineAcrossATickWrap) {
  SlowOpens machine;
  ScopedWindowsApi api(machine);
  machine.AddFile(L"C:\\setup\\drv\\orbmon64.dll", "monitor");
  machine.AddFile(kMonitorDll, "old").lockedForever = true;
  EXPECT_EQ(Copy(kSystem), E_FAIL);
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{
                         L"  CreateFile - timeout",
                         L"  Error(9): CopyFile orbmon64.dll to C:\\windows\\system32) Cant't open "
                         L"destination file- FAILED! - (System message 32.)"}));
  EXPECT_EQ(machine.OpenHandles(), 0);
}

// A target locked for 3 s is copied once free; sources around the copy buffer's size are copied
// byte for byte; a target of 263 characters still fits destPath with its terminator.
TEST_F(FileCopyTest, CopiesAtTheLimitsOfTheBuffers) {
  sim.AddFile(kMonitorDll, "old").lockedUntil = 3000;
  for (size_t size : {size_t{0}, size_t{8192}, size_t{8193}, size_t{20000}}) {
    SCOPED_TRACE(size);
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 7);
    sim.AddFile(L"C:\\setup\\drv\\orbmon64.dll", data);
    EXPECT_EQ(Copy(L"C:\\windows\\system32\\"), S_OK);
    EXPECT_EQ(sim.FindFile(kMonitorDll)->data, data);
  }
  EXPECT_EQ(sim.clock, 3000u);
  const std::wstring fits = L"C:\\" + std::wstring(263 - 3 - 13, L'd');
  EXPECT_EQ(Copy(fits.c_str()), S_OK);
  EXPECT_EQ(std::wcslen(destPath), 263u);
  ExpectAllReleased();
}

// A failed read or write (error 8), a source that cannot be opened (error 10, only where asked
// for), a target beyond destPath, refused before it is opened with destPath emptied, and a target
// never free, held open, locked or denied, given up after 100 attempts every 50 ms: 5 s, below the
// 10 s timeout, so no timeout line (both error 9).
TEST_F(FileCopyTest, FailuresOfTheCopyItself) {
  struct Case {
    const char* failing;  // the call that fails first; "" for none
    DWORD refusal;        // every open of the existing target is refused so; 0 for none
    bool logAsError;
    std::wstring dir, line;
  };
  const std::wstring tooLong = L"C:\\" + std::wstring(263 - 3 - 13 + 1, L'd');
  const std::wstring copyError =
      L"  Error(8): CopyFile orbmon64.dll to C:\\windows\\system32)Copy Error- FAILED! - (System "
      L"message 1117.)";
  const std::wstring refused =
      L"  Error(9): CopyFile orbmon64.dll to C:\\windows\\system32) Cant't "
      L"open destination file- FAILED! - (System message ";
  const Case cases[] = {
      {"ReadFile", 0, true, kSystem, copyError},
      {"WriteFile", 0, true, kSystem, copyError},
      {"CreateFileW", 0, false, kSystem,
       L"  CopyFile orbmon64.dll to C:\\windows\\system32) Cant't open source file- FAILED!"},
      {"CreateFileW", 0, true, kSystem,
       L"  Error(10): CopyFile orbmon64.dll to C:\\windows\\system32) Cant't open source file- "
       L"FAILED! - (System message 1117.)"},
      {"", ERROR_SHARING_VIOLATION, true, kSystem, refused + L"32.)"},
      {"", ERROR_LOCK_VIOLATION, true, kSystem, refused + L"33.)"},
      {"", ERROR_ACCESS_DENIED, true, kSystem, refused + L"5.)"},
      {"", 0, true, tooLong,
       L"  Error(9): CopyFile orbmon64.dll to " + tooLong +
           L") Cant't open destination file- FAILED! - (System message 206.)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.failing << c.refusal);
    SimWindows machine;
    ScopedWindowsApi api(machine);
    InstallContext context;
    context.moduleDir.Assign(kSetupDir);
    machine.AddFile(L"C:\\setup\\drv\\orbmon64.dll", std::string(10000, 'm'));
    if (*c.failing) machine.FailNext(c.failing, 1, ERROR_IO_DEVICE);
    if (c.refusal) {
      SimFile& target = machine.AddFile(kMonitorDll, "old");
      target.lockedForever = true;
      target.openRefusal = c.refusal;
    }
    wchar_t path[kDestPathCapacity] = L"unset";
    EXPECT_EQ(CopyProductFile(context, c.dir.c_str(), L"orbmon64.dll", path, c.logAsError), E_FAIL);
    EXPECT_EQ(SplitLines(context.logText.Text()), std::vector<std::wstring>{c.line});
    EXPECT_EQ(context.errorCount, c.logAsError ? 1 : 0);
    const bool readOrWrite = c.line.find(L"Copy Error") != std::wstring::npos;
    EXPECT_EQ(machine.FileExists(c.dir + L"\\orbmon64.dll"), readOrWrite || c.refusal);
    EXPECT_EQ(std::wstring(path), *c.failing || c.refusal ? kMonitorDll : L"");
    EXPECT_EQ(machine.clock, c.refusal ? 5000u : 0u);
    EXPECT_EQ(machine.OpenHandles(), 0);
  }
}

}  // namespace
}  // namespace qv::sim
