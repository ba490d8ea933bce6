// The two spooler calls whose Wine 8 behaviour differs from Windows', brought back to Windows'.
#pragma once

#include <windows.h>
#include <winspool.h>

namespace qvcompat {

// AddPrinterW as Windows documents it: a level-2 record without a data type gets the default
// "RAW", and a printer that was created returns its handle.
HANDLE WINAPI CompatAddPrinterW(LPWSTR server, DWORD level, LPBYTE printer);

// DeletePrinterDriverExW as Windows documents it: DPD_DELETE_ALL_FILES deletes the driver and
// then its files that no other driver of the environment uses.
BOOL WINAPI CompatDeletePrinterDriverExW(LPWSTR server, LPWSTR environment, LPWSTR driver,
                                         DWORD deleteFlags, DWORD versionFlag);

}  // namespace qvcompat
