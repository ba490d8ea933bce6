// The spooler's side of the state report: monitors, ports, drivers, printers, default printer.
#pragma once

#include <string>

namespace qvstate {


void ReportMonitors();
void ReportPorts();
void ReportDrivers();  // of the environment "Windows x64"
void ReportPrinters();
void ReportDefaultPrinter();

// The spooler's printer-driver directory for the environment, or empty.
std::wstring DriverDirectory();

}  // namespace qvstate
