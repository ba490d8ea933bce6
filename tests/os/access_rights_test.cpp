// The simulated Windows' access checks: a call on a key, printer or service refuses a handle
// without the rights Windows documents for it (ERROR_ACCESS_DENIED, nothing changed).
#include <gtest/gtest.h>

#include "sim_windows.h"

namespace qv::sim {
namespace {

constexpr wchar_t kKeyPath[] = L"HKLM\\SOFTWARE\\Orbelin";

TEST(AccessRights, CallsNeedTheirDocumentedRights) {
  SimWindows sim;
  // A key opened to read is flushed but not written; one created to write is written but not read.
  sim.SetRegString(kKeyPath, L"old", L"x");
  HKEY reader = nullptr, writer = nullptr;
  ASSERT_EQ(sim.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Orbelin", 0, KEY_READ, &reader), 0);
  EXPECT_EQ(sim.RegFlushKey(reader), ERROR_SUCCESS);
  EXPECT_EQ(sim.RegDeleteValueA(reader, "old"), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(sim.HasRegValue(kKeyPath, L"old"));
  ASSERT_EQ(sim.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Orbelin", 0, nullptr, 0,
                                KEY_SET_VALUE, nullptr, &writer, nullptr),
            0);
  EXPECT_EQ(sim.RegQueryValueExW(writer, L"old", nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(sim.RegDeleteValueA(writer, "old"), ERROR_SUCCESS);

  // Without defaults a printer handle is for printing only; administering it does not delete it.
  sim.AddPrinter(L"P", L"D", L"file:");
  wchar_t name[] = L"P";
  char value[] = "SubKey";
  BYTE data[] = "x";
  for (const ACCESS_MASK access : {ACCESS_MASK{0}, ACCESS_MASK{PRINTER_ACCESS_ADMINISTER}}) {
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
    HANDLE printer = nullptr;
    ASSERT_TRUE(sim.OpenPrinterW(name, &printer, access ? &defaults : nullptr));
    EXPECT_EQ(sim.SetPrinterDataA(printer, value, REG_SZ, data, 2),
              access ? ERROR_SUCCESS : ERROR_ACCESS_DENIED);
    EXPECT_FALSE(sim.DeletePrinter(printer));
    EXPECT_EQ(sim.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  EXPECT_EQ(sim.FindPrinter(L"P")->data.size(), 1u);

  // A service opened to stop it is stopped, but neither queried nor started.
  SC_HANDLE manager = sim.OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = sim.OpenServiceW(manager, L"spooler", SERVICE_STOP);
  SERVICE_STATUS status = {};
  EXPECT_FALSE(sim.QueryServiceStatus(service, &status));
  EXPECT_TRUE(sim.ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_FALSE(sim.StartServiceW(service, 0, nullptr));
  EXPECT_EQ(sim.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(sim.SpoolerRunning());
}

}  // namespace
}  // namespace qv::sim
