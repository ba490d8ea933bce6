// orbmon64.dll as the spooler sees it: loaded, initialised through InitializePrintMonitor2, asked
// for its ports and handed jobs through the MONITOR2 table.
#include <windows.h>
#include <shlobj.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using InitializePrintMonitor2Fn = LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE);

wchar_t kPortName[] = L"Quintavera:";
wchar_t kPrinterName[] = L"Quintavera component test";  // no such printer: no notification

// The job files of one job id: "job-<id>-*.prn" in the monitor's jobs folder.
std::vector<std::wstring> JobFiles(DWORD jobId) {
  std::vector<std::wstring> files;
  wchar_t base[MAX_PATH];
  HRESULT got = SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base);
  if (FAILED(got)) return files;
  std::wstring folder = std::wstring(base) + L"\\Quintavera\\Jobs";
  std::wstring pattern = folder + L"\\job-" + std::to_wstring(jobId) + L"-*.prn";
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(pattern.c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return files;
  do files.push_back(folder + L"\\" + fd.cFileName);
  while (FindNextFileW(find, &fd));
  FindClose(find);
  return files;
}

DWORD UniqueJobId() {  // one no other test run uses at the same time
  static DWORD next = 100000 + (GetCurrentProcessId() % 50000) * 16;
  return next++;
}

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(QV_TEST_DRV_DIR L"\\orbmon64.dll");
    ASSERT_NE(module_, nullptr) << "LoadLibrary failed: " << GetLastError();
    auto init = reinterpret_cast<InitializePrintMonitor2Fn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "InitializePrintMonitor2")));
    ASSERT_NE(init, nullptr);
    MONITORINIT mi = {sizeof(mi), nullptr, nullptr, nullptr, TRUE, nullptr};
    monitor_ = init(&mi, &hMonitor_);
    ASSERT_NE(monitor_, nullptr);
  }

  void TearDown() override {
    for (const std::wstring& f : cleanup_) DeleteFileW(f.c_str());
    if (monitor_ != nullptr && monitor_->pfnShutdown != nullptr) monitor_->pfnShutdown(hMonitor_);
    if (module_ != nullptr) FreeLibrary(module_);
  }

  // Prints `chunks` as one job of `level` (1, or one the monitor refuses: then every write fails
  // and writes nothing); the bytes of the job's file, or nullopt when it left none.
  std::optional<std::string> PrintJob(DWORD level, const std::vector<std::string>& chunks) {
    const DWORD jobId = UniqueJobId();
    HANDLE port = nullptr;
    if (!monitor_->pfnOpenPort(hMonitor_, kPortName, &port)) {
      ADD_FAILURE() << "OpenPort failed: " << GetLastError();
      return std::nullopt;
    }
    DOC_INFO_1W doc = {const_cast<LPWSTR>(L"test document"), nullptr, const_cast<LPWSTR>(L"RAW")};
    const bool started =
        monitor_->pfnStartDocPort(port, kPrinterName, jobId, level, reinterpret_cast<LPBYTE>(&doc));
    const DWORD startError = started ? 0 : GetLastError();
    EXPECT_EQ(startError, level == 1 ? 0u : static_cast<DWORD>(ERROR_INVALID_LEVEL));
    for (const std::string& chunk : chunks) {
      DWORD written = 12345;
      SetLastError(0);
      auto* bytes = reinterpret_cast<LPBYTE>(const_cast<char*>(chunk.data()));
      const bool wrote =
          monitor_->pfnWritePort(port, bytes, static_cast<DWORD>(chunk.size()), &written);
      const DWORD writeError = GetLastError();
      EXPECT_EQ(wrote, started) << writeError;
      EXPECT_EQ(written, started ? chunk.size() : 0u);
      EXPECT_TRUE(started || writeError != 0) << "a write refused without an error";
    }
    EXPECT_TRUE(monitor_->pfnEndDocPort(port)) << GetLastError();
    EXPECT_TRUE(monitor_->pfnClosePort(port));
    std::vector<std::wstring> files = JobFiles(jobId);
    cleanup_.insert(cleanup_.end(), files.begin(), files.end());
    if (files.empty()) return std::nullopt;
    EXPECT_EQ(files.size(), 1u) << "one file per job";
    std::ifstream file(std::filesystem::path(files[0]), std::ios::binary);
    EXPECT_TRUE(file) << "the job file cannot be read";
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  HMODULE module_ = nullptr;
  LPMONITOR2 monitor_ = nullptr;
  HANDLE hMonitor_ = nullptr;
  std::vector<std::wstring> cleanup_;
};

// MONITOR2 is its size followed by entry points only: every one of them is filled in.
TEST_F(MonitorTest, EveryMonitor2EntryIsFilled) {
  ASSERT_EQ(monitor_->cbSize, sizeof(MONITOR2));
  const auto* base = reinterpret_cast<const BYTE*>(monitor_);
  for (size_t at = offsetof(MONITOR2, pfnEnumPorts); at < sizeof(MONITOR2); at += sizeof(void*)) {
    void* entry = nullptr;
    std::memcpy(&entry, base + at, sizeof(entry));
    EXPECT_NE(entry, nullptr) << "entry at offset " << at;
  }
}

// Levels 1 and 2: a size query, a block one byte short, then exactly "Quintavera:" with its
// strings inside the caller's block.
TEST_F(MonitorTest, EnumPortsOffersOnlyTheProductPortWithTheSizeProtocol) {
  for (DWORD level : {1u, 2u}) {
    SCOPED_TRACE(level);
    const size_t infoSize = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
    DWORD needed = 0, needed2 = 0, returned = 99;
    EXPECT_FALSE(monitor_->pfnEnumPorts(hMonitor_, nullptr, level, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(returned, 0u);
    ASSERT_GE(needed, infoSize + sizeof(kPortName));
    std::vector<BYTE> buf(needed, 0xCC);
    EXPECT_FALSE(monitor_->pfnEnumPorts(hMonitor_, nullptr, level, buf.data(), needed - 1, &needed2,
                                        &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed2, needed);
    ASSERT_TRUE(monitor_->pfnEnumPorts(hMonitor_, nullptr, level, buf.data(), needed, &needed2,
                                       &returned));
    ASSERT_EQ(returned, 1u);
    std::vector<LPWSTR> strings = {reinterpret_cast<PORT_INFO_1W*>(buf.data())->pName};
    if (level == 2) {
      auto* info = reinterpret_cast<PORT_INFO_2W*>(buf.data());
      strings = {info->pPortName, info->pMonitorName, info->pDescription};
      EXPECT_STREQ(info->pMonitorName, L"Quintavera:");
      EXPECT_NE(info->fPortType & PORT_TYPE_WRITE, 0u);
    }
    EXPECT_STREQ(strings[0], L"Quintavera:");
    for (LPWSTR s : strings) {
      ASSERT_NE(s, nullptr);
      auto* p = reinterpret_cast<BYTE*>(s);
      EXPECT_GE(p, buf.data() + infoSize);
      EXPECT_LE(p + (lstrlenW(s) + 1) * sizeof(wchar_t), buf.data() + needed);
    }
  }
}

// A job in several chunks (one larger than any internal buffer), a job of no bytes, and one whose
// start is refused for its level: its writes fail, write nothing and leave no file.
TEST_F(MonitorTest, JobFileHoldsExactlyTheBytesWritten) {
  std::string part1("%!PS-Adobe-3.0\r\n", 16);
  std::string part2("\x00\x01\x02\xff\xfe\r\n\x1b%-12345X", 14);
  std::string part3(70000, 'x');
  for (size_t i = 0; i < part3.size(); ++i) part3[i] = static_cast<char>(i * 7);
  EXPECT_EQ(PrintJob(1, {part1, part2, part3}), part1 + part2 + part3);
  EXPECT_EQ(PrintJob(1, {}), "");
  EXPECT_EQ(PrintJob(7, {"lost"}), std::nullopt);
}

}  // namespace
