// The system's side of the state report: tray program, log-on entry, queued file operations,
// the installer's printer record, product files.
#pragma once

#include <string>
#include <vector>

namespace qvstate {

void ReportRunValue();
void ReportTray();
void ReportPendingRenames();
// The installer's printer record: "printer record: none" or its size in bytes.
void ReportPrinterRecord();

// The product files where the installer puts them, then `extraFiles` (e.g. the package's
// qvatray.exe).
void ReportProductFiles(const std::wstring& driverDirectory,
                        const std::vector<std::wstring>& extraFiles);

}  // namespace qvstate
