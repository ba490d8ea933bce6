// A simulated machine with the product's monitor, driver and printers, for the printer tests.
#pragma once

#include <string>
#include <vector>

#include "scenario.h"

namespace qv::sim {

constexpr wchar_t kProductDriver[] = L"Quintavera printer";
constexpr wchar_t kProductPort[] = L"Quintavera:";
constexpr wchar_t kStoreDir[] = L"C:\\windows\\system32\\spool\\drivers\\x64\\3\\";

class PrinterMachine : public Scenario {
 protected:
  // A driver of an earlier installation, its files in the driver store.
  SimDriver& AddDriver(const std::wstring& name, int32_t build = 2629) {
    SimDriver driver;
    driver.name = name;
    driver.environment = L"Windows x64";
    driver.driverPath = driver.dataFile = std::wstring(kStoreDir) + L"orbdrv64.dll";
    driver.configFile = std::wstring(kStoreDir) + L"orbui64.dll";
    sim.AddFile(driver.driverPath, "driver", build);
    sim.AddFile(driver.configFile, "ui", build);
    sim.drivers.push_back(driver);
    return sim.drivers.back();
  }
  SimPrinter& AddProductPrinter(const std::wstring& name) {
    return sim.AddPrinter(name, kProductDriver, kProductPort);
  }
  // A narrow REG_SZ printer-data value with its NUL; key "" is a plain value.
  static void SetData(SimPrinter& printer, const std::string& key, const std::string& text) {
    printer.data[{key, "SubKey"}] = RegValue{REG_SZ, std::vector<BYTE>(text.begin(), text.end())};
    printer.data[{key, "SubKey"}].data.push_back(0);
  }
};

}  // namespace qv::sim
