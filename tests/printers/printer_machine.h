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
    const std::wstring dll = std::wstring(kStoreDir) + L"orbdrv64.dll";
    const std::wstring ui = std::wstring(kStoreDir) + L"orbui64.dll";
    sim.AddFile(dll, "driver", build);
    sim.AddFile(ui, "ui", build);
    return sim.drivers.emplace_back(SimDriver{name, L"Windows x64", dll, dll, ui, L""});
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
