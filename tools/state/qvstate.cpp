// qvstate: the state of the Wine machine after an installer run, as greppable plain text.
//
//   qvstate.exe [file...]     extra files (e.g. the package's qvatray.exe) are reported too
//
// One fact per line: "monitor: ...", "port: ...", "driver: ...", "driver-file: ...",
// "printer: <name> | port=... | driver=... | comment=... | location=... | subkey=... |
// dsuser-subkey=... | default=yes", "default printer: ...", "run value QuintaveraTray: ...",
// "tray running: yes", "pending rename: ...", "printer record: none",
// "file: <path> | exists=yes | version=...", "job folder: <path> | rights=<SDDL>",
// "job file: <name> | rights=<SDDL>".
#include <string>
#include <vector>

#include "job_report.h"
#include "spooler_report.h"
#include "system_report.h"

int wmain(int argc, wchar_t** argv) {
  using namespace qvstate;
  ReportMonitors();
  ReportPorts();
  ReportDrivers();
  ReportPrinters();
  ReportDefaultPrinter();
  ReportRunValue();
  ReportTray();
  ReportPendingRenames();
  ReportPrinterRecord();
  ReportProductFiles(DriverDirectory(), std::vector<std::wstring>(argv + 1, argv + argc));
  ReportJobs();
  return 0;
}
