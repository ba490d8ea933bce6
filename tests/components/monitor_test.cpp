// orbmon64.dll as the spooler sees it: its MONITOR2 table and its ports. (Its jobs reach the jobs
// folder through the real spooler in the locked-monitor scenario, tests/e2e/locked_monitor.sh.)
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

using InitializePrintMonitor2Fn = LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE);

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(QV_TEST_BUILD_DIR L"\\package\\drv\\orbmon64.dll");
    ASSERT_NE(module_, nullptr) << "LoadLibrary failed: " << GetLastError();
    auto init = reinterpret_cast<InitializePrintMonitor2Fn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "InitializePrintMonitor2")));
    ASSERT_NE(init, nullptr);
    MONITORINIT mi = {sizeof(mi), nullptr, nullptr, nullptr, TRUE, nullptr};
    monitor_ = init(&mi, &hMonitor_);
    ASSERT_NE(monitor_, nullptr);
  }

  void TearDown() override {
    if (monitor_ != nullptr && monitor_->pfnShutdown != nullptr) monitor_->pfnShutdown(hMonitor_);
    if (module_ != nullptr) FreeLibrary(module_);
  }

  HMODULE module_ = nullptr;
  LPMONITOR2 monitor_ = nullptr;
  HANDLE hMonitor_ = nullptr;
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
    const auto enumPorts = monitor_->pfnEnumPorts;
    DWORD needed = 0, needed2 = 0, returned = 99;
    EXPECT_FALSE(enumPorts(hMonitor_, nullptr, level, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(returned, 0u);
    ASSERT_GE(needed, infoSize + sizeof(L"Quintavera:"));
    std::vector<BYTE> buf(needed, 0xCC);
    EXPECT_FALSE(enumPorts(hMonitor_, nullptr, level, buf.data(), needed - 1, &needed2, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed2, needed);
    ASSERT_TRUE(enumPorts(hMonitor_, nullptr, level, buf.data(), needed, &needed2, &returned));
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

}  // namespace
