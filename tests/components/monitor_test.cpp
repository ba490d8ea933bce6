// orbmon64.dll as the spooler sees it: loaded, initialised through InitializePrintMonitor2, asked
// for its ports and handed jobs through the MONITOR2 table.
#include <windows.h>
#include <shlobj.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component_paths.h"

namespace {

using InitializePrintMonitor2Fn = LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE);

wchar_t kPortName[] = L"Quintavera:";
wchar_t kPrinterName[] = L"Quintavera component test";  // no such printer: no notification

// The folder the monitor stores jobs in.
std::wstring JobsFolder() {
  wchar_t base[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base))) {
    return L"";
  }
  return std::wstring(base) + L"\\Quintavera\\Jobs";
}

// The job files of one job id: "job-<id>-*.prn".
std::vector<std::wstring> JobFiles(DWORD jobId) {
  std::vector<std::wstring> files;
  std::wstring folder = JobsFolder();
  std::wstring pattern = folder + L"\\job-" + std::to_wstring(jobId) + L"-*.prn";
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(pattern.c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    files.push_back(folder + L"\\" + fd.cFileName);
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  return files;
}

bool ReadWholeFile(const std::wstring& path, std::string* out) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  out->clear();
  char buf[4096];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(h, buf, sizeof(buf), &got, nullptr) != FALSE) && got > 0) {
    out->append(buf, got);
  }
  CloseHandle(h);
  return ok;
}

// A job id no other test run uses at the same time.
DWORD UniqueJobId() {
  static DWORD next = 0;
  if (next == 0) next = 100000 + (GetCurrentProcessId() % 50000) * 16;
  return next++;
}

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(qvtest::DrvFile(L"orbmon64.dll").c_str());
    ASSERT_NE(module_, nullptr) << "LoadLibrary failed: " << GetLastError();
    auto init = reinterpret_cast<InitializePrintMonitor2Fn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "InitializePrintMonitor2")));
    ASSERT_NE(init, nullptr);
    MONITORINIT mi = {};
    mi.cbSize = sizeof(mi);
    mi.bLocal = TRUE;
    monitor_ = init(&mi, &hMonitor_);
    ASSERT_NE(monitor_, nullptr);
    ASSERT_NE(hMonitor_, nullptr);
  }

  void TearDown() override {
    for (const std::wstring& f : cleanup_) DeleteFileW(f.c_str());
    if (monitor_ != nullptr && monitor_->pfnShutdown != nullptr) monitor_->pfnShutdown(hMonitor_);
    if (module_ != nullptr) FreeLibrary(module_);
  }

  HANDLE OpenProductPort() {
    HANDLE port = nullptr;
    EXPECT_TRUE(monitor_->pfnOpenPort(hMonitor_, kPortName, &port)) << GetLastError();
    EXPECT_NE(port, nullptr);
    return port;
  }

  // Prints `chunks` as one job; returns the job file's contents through *stored.
  void PrintJob(const std::vector<std::string>& chunks, std::string* stored) {
    DWORD jobId = UniqueJobId();
    HANDLE port = OpenProductPort();
    ASSERT_NE(port, nullptr);
    DOC_INFO_1W doc = {const_cast<LPWSTR>(L"test document"), nullptr, const_cast<LPWSTR>(L"RAW")};
    ASSERT_TRUE(
        monitor_->pfnStartDocPort(port, kPrinterName, jobId, 1, reinterpret_cast<LPBYTE>(&doc)))
        << GetLastError();
    for (const std::string& chunk : chunks) {
      DWORD written = 12345;
      ASSERT_TRUE(monitor_->pfnWritePort(port,
                                         reinterpret_cast<LPBYTE>(const_cast<char*>(chunk.data())),
                                         static_cast<DWORD>(chunk.size()), &written))
          << GetLastError();
      EXPECT_EQ(written, chunk.size());
    }
    ASSERT_TRUE(monitor_->pfnEndDocPort(port)) << GetLastError();
    ASSERT_TRUE(monitor_->pfnClosePort(port));
    std::vector<std::wstring> files = JobFiles(jobId);
    cleanup_.insert(cleanup_.end(), files.begin(), files.end());
    ASSERT_EQ(files.size(), 1u) << "one file per job";
    ASSERT_TRUE(ReadWholeFile(files[0], stored));
  }

  HMODULE module_ = nullptr;
  LPMONITOR2 monitor_ = nullptr;
  HANDLE hMonitor_ = nullptr;
  std::vector<std::wstring> cleanup_;
};

TEST_F(MonitorTest, EveryMonitor2EntryIsFilled) {
  EXPECT_EQ(monitor_->cbSize, sizeof(MONITOR2));
  EXPECT_GE(monitor_->cbSize, MONITOR2_SIZE_WIN2K);
  EXPECT_NE(monitor_->pfnEnumPorts, nullptr);
  EXPECT_NE(monitor_->pfnOpenPort, nullptr);
  EXPECT_NE(monitor_->pfnOpenPortEx, nullptr);
  EXPECT_NE(monitor_->pfnStartDocPort, nullptr);
  EXPECT_NE(monitor_->pfnWritePort, nullptr);
  EXPECT_NE(monitor_->pfnReadPort, nullptr);
  EXPECT_NE(monitor_->pfnEndDocPort, nullptr);
  EXPECT_NE(monitor_->pfnClosePort, nullptr);
  EXPECT_NE(monitor_->pfnAddPort, nullptr);
  EXPECT_NE(monitor_->pfnAddPortEx, nullptr);
  EXPECT_NE(monitor_->pfnConfigurePort, nullptr);
  EXPECT_NE(monitor_->pfnDeletePort, nullptr);
  EXPECT_NE(monitor_->pfnGetPrinterDataFromPort, nullptr);
  EXPECT_NE(monitor_->pfnSetPortTimeOuts, nullptr);
  EXPECT_NE(monitor_->pfnXcvOpenPort, nullptr);
  EXPECT_NE(monitor_->pfnXcvDataPort, nullptr);
  EXPECT_NE(monitor_->pfnXcvClosePort, nullptr);
  EXPECT_NE(monitor_->pfnShutdown, nullptr);
  EXPECT_NE(monitor_->pfnSendRecvBidiDataFromPort, nullptr);
  EXPECT_NE(monitor_->pfnNotifyUsedPorts, nullptr);
  EXPECT_NE(monitor_->pfnNotifyUnusedPorts, nullptr);
}

TEST_F(MonitorTest, EnumPortsLevel1OffersOnlyTheProductPort) {
  DWORD needed = 0, returned = 99;
  SetLastError(0);
  EXPECT_FALSE(monitor_->pfnEnumPorts(hMonitor_, nullptr, 1, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(returned, 0u);
  ASSERT_GE(needed, sizeof(PORT_INFO_1W) + sizeof(kPortName));

  std::vector<BYTE> small(needed - 1);
  DWORD needed2 = 0;
  EXPECT_FALSE(
      monitor_->pfnEnumPorts(hMonitor_, nullptr, 1, small.data(), needed - 1, &needed2, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed2, needed);

  std::vector<BYTE> buf(needed, 0xCC);
  ASSERT_TRUE(
      monitor_->pfnEnumPorts(hMonitor_, nullptr, 1, buf.data(), needed, &needed2, &returned));
  ASSERT_EQ(returned, 1u);
  auto* info = reinterpret_cast<PORT_INFO_1W*>(buf.data());
  ASSERT_NE(info->pName, nullptr);
  EXPECT_STREQ(info->pName, L"Quintavera:");
  // The string follows the record inside the caller's block.
  auto* p = reinterpret_cast<BYTE*>(info->pName);
  EXPECT_GE(p, buf.data() + sizeof(PORT_INFO_1W));
  EXPECT_LE(p + sizeof(kPortName), buf.data() + needed);
}

TEST_F(MonitorTest, EnumPortsLevel2OffersOnlyTheProductPort) {
  DWORD needed = 0, returned = 99;
  EXPECT_FALSE(monitor_->pfnEnumPorts(hMonitor_, nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GT(needed, sizeof(PORT_INFO_2W));

  std::vector<BYTE> buf(needed, 0xCC);
  ASSERT_TRUE(
      monitor_->pfnEnumPorts(hMonitor_, nullptr, 2, buf.data(), needed, &needed, &returned));
  ASSERT_EQ(returned, 1u);
  auto* info = reinterpret_cast<PORT_INFO_2W*>(buf.data());
  EXPECT_STREQ(info->pPortName, L"Quintavera:");
  EXPECT_STREQ(info->pMonitorName, L"Quintavera:");
  ASSERT_NE(info->pDescription, nullptr);
  EXPECT_NE(info->fPortType & PORT_TYPE_WRITE, 0u);
  for (LPWSTR s : {info->pPortName, info->pMonitorName, info->pDescription}) {
    auto* p = reinterpret_cast<BYTE*>(s);
    EXPECT_GE(p, buf.data() + sizeof(PORT_INFO_2W));
    EXPECT_LE(p + (lstrlenW(s) + 1) * sizeof(wchar_t), buf.data() + needed);
  }
}

TEST_F(MonitorTest, EnumPortsRejectsOtherLevelsAndServers) {
  DWORD needed = 0, returned = 0;
  BYTE buf[512];
  EXPECT_FALSE(monitor_->pfnEnumPorts(hMonitor_, nullptr, 3, buf, sizeof(buf), &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  wchar_t server[] = L"\\\\elsewhere";
  EXPECT_FALSE(monitor_->pfnEnumPorts(hMonitor_, server, 1, buf, sizeof(buf), &needed, &returned));
  EXPECT_EQ(returned, 0u);
}

TEST_F(MonitorTest, OpenPortRefusesOtherPorts) {
  HANDLE port = reinterpret_cast<HANDLE>(1);
  wchar_t other[] = L"LPT1:";
  EXPECT_FALSE(monitor_->pfnOpenPort(hMonitor_, other, &port));
  EXPECT_EQ(port, nullptr);
  EXPECT_FALSE(monitor_->pfnOpenPort(hMonitor_, nullptr, &port));
}

TEST_F(MonitorTest, JobFileHoldsExactlyTheBytesWritten) {
  std::string part1("%!PS-Adobe-3.0\r\n", 16);
  std::string part2("\x00\x01\x02\xff\xfe\r\n\x1b%-12345X", 14);
  std::string part3(70000, 'x');  // larger than any one internal buffer
  for (size_t i = 0; i < part3.size(); ++i) part3[i] = static_cast<char>(i * 7);
  std::string stored;
  PrintJob({part1, part2, part3}, &stored);
  EXPECT_EQ(stored, part1 + part2 + part3);
}

TEST_F(MonitorTest, ZeroByteJobGivesEmptyFile) {
  std::string stored = "not read";
  PrintJob({}, &stored);
  EXPECT_TRUE(stored.empty());
}

TEST_F(MonitorTest, EmptyWriteIsAccepted) {
  std::string stored;
  PrintJob({std::string(), std::string("abc"), std::string()}, &stored);
  EXPECT_EQ(stored, "abc");
}

TEST_F(MonitorTest, EveryJobGetsItsOwnFile) {
  std::string first, second;
  PrintJob({"first"}, &first);
  PrintJob({"second"}, &second);
  EXPECT_EQ(first, "first");
  EXPECT_EQ(second, "second");
}

TEST_F(MonitorTest, WriteAfterFailedStartFailsCleanly) {
  HANDLE port = OpenProductPort();
  ASSERT_NE(port, nullptr);
  DOC_INFO_1W doc = {const_cast<LPWSTR>(L"bad"), nullptr, nullptr};
  DWORD jobId = UniqueJobId();
  EXPECT_FALSE(
      monitor_->pfnStartDocPort(port, kPrinterName, jobId, 7, reinterpret_cast<LPBYTE>(&doc)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  EXPECT_FALSE(monitor_->pfnStartDocPort(port, kPrinterName, jobId, 1, nullptr));
  char data[] = "lost";
  DWORD written = 77;
  SetLastError(0);
  EXPECT_FALSE(monitor_->pfnWritePort(port, reinterpret_cast<LPBYTE>(data), 4, &written));
  EXPECT_EQ(written, 0u);
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_TRUE(monitor_->pfnEndDocPort(port));
  EXPECT_TRUE(monitor_->pfnClosePort(port));
  EXPECT_TRUE(JobFiles(jobId).empty());
}

TEST_F(MonitorTest, WriteBeforeStartFailsCleanly) {
  HANDLE port = OpenProductPort();
  ASSERT_NE(port, nullptr);
  char data[] = "x";
  DWORD written = 5;
  EXPECT_FALSE(monitor_->pfnWritePort(port, reinterpret_cast<LPBYTE>(data), 1, &written));
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(monitor_->pfnClosePort(port));
}

TEST_F(MonitorTest, ClosePortEndsAnOpenDocument) {
  DWORD jobId = UniqueJobId();
  HANDLE port = OpenProductPort();
  ASSERT_NE(port, nullptr);
  DOC_INFO_1W doc = {const_cast<LPWSTR>(L"unfinished"), nullptr, nullptr};
  ASSERT_TRUE(
      monitor_->pfnStartDocPort(port, kPrinterName, jobId, 1, reinterpret_cast<LPBYTE>(&doc)));
  char data[] = "partial";
  DWORD written = 0;
  ASSERT_TRUE(monitor_->pfnWritePort(port, reinterpret_cast<LPBYTE>(data), 7, &written));
  ASSERT_TRUE(monitor_->pfnClosePort(port));
  std::vector<std::wstring> files = JobFiles(jobId);
  cleanup_.insert(cleanup_.end(), files.begin(), files.end());
  ASSERT_EQ(files.size(), 1u);
  std::string stored;
  ASSERT_TRUE(ReadWholeFile(files[0], &stored));
  EXPECT_EQ(stored, "partial");
  // The file is closed: it can be deleted now.
  EXPECT_TRUE(DeleteFileW(files[0].c_str()));
}

TEST_F(MonitorTest, UnsupportedEntriesFailWithNotSupported) {
  wchar_t port[] = L"Quintavera:";
  wchar_t monitorName[] = L"Quintavera:";
  EXPECT_FALSE(monitor_->pfnAddPort(hMonitor_, nullptr, nullptr, monitorName));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_FALSE(monitor_->pfnAddPortEx(hMonitor_, nullptr, 1, nullptr, monitorName));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_FALSE(monitor_->pfnConfigurePort(hMonitor_, nullptr, nullptr, port));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_FALSE(monitor_->pfnDeletePort(hMonitor_, nullptr, nullptr, port));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  HANDLE ex = reinterpret_cast<HANDLE>(1);
  EXPECT_FALSE(monitor_->pfnOpenPortEx(hMonitor_, nullptr, port, kPrinterName, &ex, nullptr));
  EXPECT_EQ(ex, nullptr);

  HANDLE h = OpenProductPort();
  ASSERT_NE(h, nullptr);
  BYTE buf[16];
  DWORD n = 9;
  EXPECT_FALSE(monitor_->pfnReadPort(h, buf, sizeof(buf), &n));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(n, 0u);
  wchar_t out[16];
  n = 9;
  EXPECT_FALSE(
      monitor_->pfnGetPrinterDataFromPort(h, 0, nullptr, nullptr, 0, out, sizeof(out), &n));
  EXPECT_EQ(n, 0u);
  COMMTIMEOUTS cto = {};
  EXPECT_TRUE(monitor_->pfnSetPortTimeOuts(h, &cto, 0));
  PBIDI_RESPONSE_CONTAINER response = reinterpret_cast<PBIDI_RESPONSE_CONTAINER>(1);
  EXPECT_EQ(monitor_->pfnSendRecvBidiDataFromPort(h, 0, L"Get", nullptr, &response),
            static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(response, nullptr);
  EXPECT_TRUE(monitor_->pfnClosePort(h));
}

TEST_F(MonitorTest, XcvHandlesOpenAnswerAndClose) {
  HANDLE xcv = nullptr;
  ASSERT_TRUE(monitor_->pfnXcvOpenPort(hMonitor_, L"Quintavera:", SERVER_ACCESS_ADMINISTER, &xcv));
  ASSERT_NE(xcv, nullptr);
  DWORD needed = 7;
  BYTE out[64];
  EXPECT_EQ(monitor_->pfnXcvDataPort(xcv, L"MonitorUI", nullptr, 0, out, sizeof(out), &needed),
            static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(needed, 0u);
  EXPECT_TRUE(monitor_->pfnXcvClosePort(xcv));
}

TEST_F(MonitorTest, PortUsageNotificationsAreAccepted) {
  PCWSTR ports[] = {L"Quintavera:"};
  EXPECT_EQ(monitor_->pfnNotifyUsedPorts(hMonitor_, 1, ports), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(monitor_->pfnNotifyUnusedPorts(hMonitor_, 1, ports), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(MonitorTest, BadHandlesAreRefused) {
  // Port entries given no handle, or the monitor's handle, fail instead of crashing.
  DWORD written = 1;
  char data[] = "x";
  EXPECT_FALSE(monitor_->pfnWritePort(nullptr, reinterpret_cast<LPBYTE>(data), 1, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(monitor_->pfnEndDocPort(nullptr));
  EXPECT_FALSE(monitor_->pfnClosePort(hMonitor_));
  EXPECT_FALSE(monitor_->pfnXcvClosePort(nullptr));
}

// ---- Port key under the monitor's registry root -------------------------------------------

// A fake of the spooler's registry functions: records what the monitor asks for.
struct FakeRegistry {
  int creates = 0;
  int closes = 0;
  HANDLE createdUnder = nullptr;
  std::wstring subKey;
  HANDLE spooler = nullptr;
  HANDLE closed = nullptr;
  LONG createResult = ERROR_SUCCESS;
};
FakeRegistry g_fake;
const HANDLE kFakeKey = reinterpret_cast<HANDLE>(0x5150);

LONG WINAPI FakeCreateKey(HANDLE hcKey, LPCWSTR pszSubKey, DWORD, REGSAM, PSECURITY_ATTRIBUTES,
                          PHANDLE phckResult, PDWORD pdwDisposition, HANDLE hSpooler) {
  ++g_fake.creates;
  g_fake.createdUnder = hcKey;
  g_fake.subKey = pszSubKey != nullptr ? pszSubKey : L"(null)";
  g_fake.spooler = hSpooler;
  if (g_fake.createResult != ERROR_SUCCESS) return g_fake.createResult;
  *phckResult = kFakeKey;
  if (pdwDisposition != nullptr) *pdwDisposition = REG_CREATED_NEW_KEY;
  return ERROR_SUCCESS;
}

LONG WINAPI FakeCloseKey(HANDLE hcKey, HANDLE) {
  ++g_fake.closes;
  g_fake.closed = hcKey;
  return ERROR_SUCCESS;
}

class MonitorRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake = FakeRegistry();
    module_ = LoadLibraryW(qvtest::DrvFile(L"orbmon64.dll").c_str());
    ASSERT_NE(module_, nullptr);
    init_ = reinterpret_cast<InitializePrintMonitor2Fn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "InitializePrintMonitor2")));
    ASSERT_NE(init_, nullptr);
    reg_.cbSize = sizeof(reg_);
    reg_.fpCreateKey = FakeCreateKey;
    reg_.fpCloseKey = FakeCloseKey;
  }

  void TearDown() override {
    if (monitor_ != nullptr) monitor_->pfnShutdown(hMonitor_);
    if (module_ != nullptr) FreeLibrary(module_);
  }

  void Init(HANDLE root) {
    MONITORINIT mi = {};
    mi.cbSize = sizeof(mi);
    mi.hSpooler = reinterpret_cast<HANDLE>(0x77);
    mi.hckRegistryRoot = static_cast<HKEYMONITOR>(root);
    mi.pMonitorReg = &reg_;
    mi.bLocal = TRUE;
    monitor_ = init_(&mi, &hMonitor_);
    ASSERT_NE(monitor_, nullptr);
  }

  HMODULE module_ = nullptr;
  InitializePrintMonitor2Fn init_ = nullptr;
  MONITORREG reg_ = {};
  LPMONITOR2 monitor_ = nullptr;
  HANDLE hMonitor_ = nullptr;
};

TEST_F(MonitorRegistryTest, RecordsItsPortThroughTheSpoolersRegistryFunctions) {
  HANDLE root = reinterpret_cast<HANDLE>(0x1234);
  Init(root);
  EXPECT_EQ(g_fake.creates, 1);
  EXPECT_EQ(g_fake.createdUnder, root);
  EXPECT_EQ(g_fake.subKey, L"Ports\\Quintavera:");
  EXPECT_EQ(g_fake.spooler, reinterpret_cast<HANDLE>(0x77));
  EXPECT_EQ(g_fake.closes, 1);
  EXPECT_EQ(g_fake.closed, kFakeKey);
}

TEST_F(MonitorRegistryTest, WithoutARegistryRootNothingIsRecorded) {
  Init(nullptr);
  EXPECT_EQ(g_fake.creates, 0);
  EXPECT_EQ(g_fake.closes, 0);
}

// Wine 8's registry functions are stubs; its registry root is a real key. The monitor then makes
// the port key with the registry API under that root (here a scratch key of the current user).
TEST_F(MonitorRegistryTest, FallsBackToTheRegistryApiUnderTheRoot) {
  g_fake.createResult = ERROR_CALL_NOT_IMPLEMENTED;
  std::wstring scratch =
      L"Software\\Quintavera component tests\\monitor-" + std::to_wstring(GetCurrentProcessId());
  HKEY root = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &root, nullptr),
            ERROR_SUCCESS);
  Init(root);
  EXPECT_EQ(g_fake.creates, 1);
  EXPECT_EQ(g_fake.closes, 0);
  HKEY port = nullptr;
  EXPECT_EQ(RegOpenKeyExW(root, L"Ports\\Quintavera:", 0, KEY_READ, &port), ERROR_SUCCESS);
  if (port != nullptr) RegCloseKey(port);
  RegCloseKey(root);
  RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quintavera component tests");
}

}  // namespace
