// The simulated Windows' access checks: a call on a key, printer or service refuses a handle
// without the rights Windows documents for it, composite and generic rights expanded.
#include <gtest/gtest.h>

#include "sim_windows.h"

namespace qv::sim {
namespace {

constexpr wchar_t kKeyPath[] = L"HKLM\\SOFTWARE\\Orbelin";
constexpr char kSubKey[] = "SOFTWARE\\Orbelin";

DWORD Expected(bool allowed) { return allowed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED; }

// Query: RegQueryValueExW, RegFlushKey. Set: RegSetValueExW, RegDeleteValueA. Opened and created
// alike; a refused call changes nothing.
TEST(AccessRights, RegistryCallsNeedTheirDocumentedRights) {
  struct Case {
    REGSAM access;
    bool query, set;
  };
  const Case cases[] = {
      {KEY_SET_VALUE, false, true},
      {KEY_QUERY_VALUE, true, false},
      {KEY_READ, true, false},
      {KEY_WRITE, false, true},
      {KEY_ALL_ACCESS, true, true},
      {KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, true, true},
      {KEY_CREATE_SUB_KEY | KEY_WOW64_64KEY, false, false},
      {GENERIC_READ, true, false},
      {GENERIC_WRITE, false, true},
      {GENERIC_ALL, true, true},
      {MAXIMUM_ALLOWED, true, true},
  };
  for (const Case& c : cases) {
    for (const bool create : {false, true}) {
      SCOPED_TRACE(testing::Message() << std::hex << c.access << (create ? " created" : " opened"));
      SimWindows sim;
      sim.SetRegString(kKeyPath, L"old", L"x");
      HKEY key = nullptr;
      ASSERT_EQ(create ? sim.RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSubKey, 0, nullptr, 0, c.access,
                                             nullptr, &key, nullptr)
                       : sim.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSubKey, 0, c.access, &key),
                ERROR_SUCCESS);
      DWORD size = 0;
      EXPECT_EQ(sim.RegQueryValueExW(key, L"old", nullptr, nullptr, nullptr, &size),
                Expected(c.query));
      EXPECT_EQ(sim.RegFlushKey(key), Expected(c.query));
      const BYTE text[] = {'y', 0, 0, 0};
      EXPECT_EQ(sim.RegSetValueExW(key, L"new", 0, REG_SZ, text, sizeof(text)), Expected(c.set));
      EXPECT_EQ(sim.RegDeleteValueA(key, "old"), Expected(c.set));
      EXPECT_EQ(sim.HasRegValue(kKeyPath, L"new"), c.set);
      EXPECT_EQ(sim.HasRegValue(kKeyPath, L"old"), !c.set);
      EXPECT_EQ(sim.RegCloseKey(key), ERROR_SUCCESS);
    }
  }
}

// Arguments the documentation fixes: RegOpenKeyEx's options (0 or REG_OPTION_OPEN_LINK),
// RegCreateKeyEx's Reserved (0), GetVersionExA's dwOSVersionInfoSize and STARTUPINFO's cb (the
// structure's size). Every installer call passes the right ones.
TEST(AccessRights, ArgumentsTheDocumentationFixesAreChecked) {
  SimWindows sim;
  sim.SetRegString(kKeyPath, L"old", L"x");
  sim.AddFile(L"C:\\tray.exe");
  HKEY key = nullptr;
  EXPECT_EQ(
      sim.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSubKey, REG_OPTION_BACKUP_RESTORE, KEY_READ, &key),
      ERROR_INVALID_PARAMETER);
  EXPECT_EQ(sim.RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSubKey, 1, nullptr, 0, KEY_READ, nullptr, &key,
                                nullptr),
            ERROR_INVALID_PARAMETER);
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version) - 1;
  EXPECT_FALSE(sim.GetVersionExA(&version));
  wchar_t commandLine[] = L"C:\\tray.exe";
  STARTUPINFOW startup = {};  // cb 0
  PROCESS_INFORMATION started = {};
  EXPECT_FALSE(sim.CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &started));
  EXPECT_EQ(sim.OpenHandles(), 0);
}

// Administer: SetPrinterW, SetPrinterDataA, SetPrinterDataExA. Delete: DeletePrinter. Without
// defaults, or without a desired access, a handle is for printing only.
TEST(AccessRights, PrinterCallsNeedTheirDocumentedRights) {
  struct Case {
    const char* name;
    bool defaults;
    ACCESS_MASK access;
    bool administer, remove;
  };
  const Case cases[] = {
      {"no defaults", false, 0, false, false},
      {"no access asked", true, 0, false, false},
      {"use", true, PRINTER_ACCESS_USE, false, false},
      {"administer", true, PRINTER_ACCESS_ADMINISTER, true, false},
      {"delete", true, DELETE, false, true},
      {"delete and administer", true, DELETE | PRINTER_ACCESS_ADMINISTER, true, true},
      {"all", true, PRINTER_ALL_ACCESS, true, true},
      {"generic write", true, GENERIC_WRITE, false, false},
      {"generic all", true, GENERIC_ALL, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimWindows sim;
    sim.AddPrinter(L"P", L"D", L"file:").jobs = 2;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, c.access};
    HANDLE printer = nullptr;
    wchar_t name[] = L"P";
    ASSERT_TRUE(sim.OpenPrinterW(name, &printer, c.defaults ? &defaults : nullptr));
    char value[] = "SubKey";
    BYTE data[] = "x";
    EXPECT_EQ(sim.SetPrinterW(printer, 0, nullptr, PRINTER_CONTROL_PURGE), c.administer);
    EXPECT_EQ(sim.FindPrinter(L"P")->jobs, c.administer ? 0 : 2);
    EXPECT_EQ(sim.SetPrinterDataA(printer, value, REG_SZ, data, 2), Expected(c.administer));
    EXPECT_EQ(sim.SetPrinterDataExA(printer, "DsUser", value, REG_SZ, data, 2),
              Expected(c.administer));
    EXPECT_EQ(sim.FindPrinter(L"P")->data.size(), c.administer ? 2u : 0u);
    EXPECT_EQ(sim.DeletePrinter(printer), c.remove);
    if (!c.remove) {
      EXPECT_EQ(sim.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(sim.FindPrinter(L"P") == nullptr, c.remove);
    EXPECT_TRUE(sim.ClosePrinter(printer));
  }
}

// The spooler service: QueryServiceStatus needs SERVICE_QUERY_STATUS, StartServiceW SERVICE_START
// (the running service then answers that it runs), ControlService's stop SERVICE_STOP.
TEST(AccessRights, ServiceCallsNeedTheirDocumentedRights) {
  struct Case {
    DWORD access;
    bool query, start, stop;
  };
  const Case cases[] = {
      {SERVICE_QUERY_STATUS | SERVICE_START, true, true, false},
      {SERVICE_STOP, false, false, true},
      {GENERIC_READ, true, false, false},
      {GENERIC_EXECUTE, false, true, true},
      {SERVICE_ALL_ACCESS, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.access);
    SimWindows sim;
    SC_HANDLE manager = sim.OpenSCManagerW(nullptr, nullptr, GENERIC_READ);
    SC_HANDLE service = sim.OpenServiceW(manager, L"spooler", c.access);
    ASSERT_NE(service, nullptr);
    SERVICE_STATUS status = {};
    EXPECT_EQ(sim.QueryServiceStatus(service, &status), c.query);
    EXPECT_FALSE(sim.StartServiceW(service, 0, nullptr));
    EXPECT_EQ(sim.GetLastError(),
              static_cast<DWORD>(c.start ? ERROR_SERVICE_ALREADY_RUNNING : ERROR_ACCESS_DENIED));
    EXPECT_EQ(sim.ControlService(service, SERVICE_CONTROL_STOP, &status), c.stop);
    EXPECT_EQ(sim.SpoolerRunning(), !c.stop);
    EXPECT_TRUE(sim.CloseServiceHandle(service));
    EXPECT_TRUE(sim.CloseServiceHandle(manager));
  }
}

}  // namespace
}  // namespace qv::sim
