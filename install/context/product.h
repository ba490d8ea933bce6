// The product's fixed names and numbers, shared by every step of the installer.
#pragma once

namespace qv {

constexpr int buildNumber = 2629;

constexpr wchar_t kMonitorName[] = L"Quintavera:";  // also the product printers' port
constexpr wchar_t kProductDriverName[] = L"Quintavera printer";
constexpr wchar_t kParkingPort[] = L"file:";
constexpr wchar_t kDefaultPrinterName[] = L"Quintavera";

}  // namespace qv
