// The simulated Windows' access checks: a call on a key, printer or service refuses a handle
// without the rights Windows documents for it (ERROR_ACCESS_DENIED, nothing changed).
#include <gtest/gtest.h>

#include "sim_windows.h"

namespace qv::sim {
namespace {

constexpr wchar_t kKeyPath[] = L"HKLM\\SOFTWARE\\Orbelin";

DWORD Expected(bool allowed) { return allowed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED; }

// Query: RegQueryValueExW, RegFlushKey. Set: RegSetValueExW, RegDeleteValueA. Opened and created
// alike.
TEST(AccessRights, RegistryCallsNeedTheirDocumentedRights) {
  const struct {
    REGSAM access;
    bool create, query, set;
  } cases[] = {{KEY_SET_VALUE, true, false, true}, {KEY_READ, false, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.access);
    SimWindows sim;
    sim.SetRegString(kKeyPath, L"old", L"x");
    HKEY key = nullptr;
    ASSERT_EQ(c.create
                  ? sim.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Orbelin", 0, nullptr, 0,
                                        c.access, nullptr, &key, nullptr)
                  : sim.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Orbelin", 0, c.access, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(sim.RegQueryValueExW(key, L"old", nullptr, nullptr, nullptr, nullptr),
              Expected(c.query));
    EXPECT_EQ(sim.RegFlushKey(key), Expected(c.query));
    const BYTE text[] = {'y', 0, 0, 0};
    EXPECT_EQ(sim.RegSetValueExW(key, L"new", 0, REG_SZ, text, sizeof(text)), Expected(c.set));
    EXPECT_EQ(sim.RegDeleteValueA(key, "old"), Expected(c.set));
    EXPECT_EQ(sim.HasRegValue(kKeyPath, L"old"), !c.set);
  }
}

// Administer: SetPrinterW, SetPrinterDataA, SetPrinterDataExA. Delete: DeletePrinter. Without
// defaults (access 0 here), a handle is for printing only.
TEST(AccessRights, PrinterCallsNeedTheirDocumentedRights) {
  const struct {
    ACCESS_MASK access;
    bool administer, remove;
  } cases[] = {{0, false, false}, {PRINTER_ACCESS_ADMINISTER, true, false}, {DELETE, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.access);
    SimWindows sim;
    sim.AddPrinter(L"P", L"D", L"file:").jobs = 2;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, c.access};
    HANDLE printer = nullptr;
    wchar_t name[] = L"P";
    char value[] = "SubKey";
    BYTE data[] = "x";
    ASSERT_TRUE(sim.OpenPrinterW(name, &printer, c.access ? &defaults : nullptr));
    EXPECT_EQ(sim.SetPrinterW(printer, 0, nullptr, PRINTER_CONTROL_PURGE), c.administer);
    EXPECT_EQ(sim.FindPrinter(L"P")->jobs, c.administer ? 0 : 2);
    EXPECT_EQ(sim.SetPrinterDataA(printer, value, REG_SZ, data, 2), Expected(c.administer));
    EXPECT_EQ(sim.SetPrinterDataExA(printer, "DsUser", value, REG_SZ, data, 2),
              Expected(c.administer));
    EXPECT_EQ(sim.FindPrinter(L"P")->data.size(), c.administer ? 2u : 0u);
    EXPECT_EQ(sim.DeletePrinter(printer), c.remove);
    EXPECT_EQ(sim.FindPrinter(L"P") == nullptr, c.remove);
  }
}

// QueryServiceStatus needs SERVICE_QUERY_STATUS, StartServiceW SERVICE_START (the running service
// then answers that it runs), ControlService's stop SERVICE_STOP.
TEST(AccessRights, ServiceCallsNeedTheirDocumentedRights) {
  const struct {
    DWORD access;
    bool query, start, stop;
  } cases[] = {{SERVICE_QUERY_STATUS | SERVICE_START, true, true, false},
               {SERVICE_STOP, false, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.access);
    SimWindows sim;
    SC_HANDLE manager = sim.OpenSCManagerW(nullptr, nullptr, GENERIC_READ);
    SC_HANDLE service = sim.OpenServiceW(manager, L"spooler", c.access);
    SERVICE_STATUS status = {};
    EXPECT_EQ(sim.QueryServiceStatus(service, &status), c.query);
    EXPECT_FALSE(sim.StartServiceW(service, 0, nullptr));
    EXPECT_EQ(sim.GetLastError(),
              static_cast<DWORD>(c.start ? ERROR_SERVICE_ALREADY_RUNNING : ERROR_ACCESS_DENIED));
    EXPECT_EQ(sim.ControlService(service, SERVICE_CONTROL_STOP, &status), c.stop);
    EXPECT_EQ(sim.SpoolerRunning(), !c.stop);
  }
}

}  // namespace
}  // namespace qv::sim
