// Carrying product printers over a reinstall: their "SubKey" link to the user's printer key,
// comment, location and default status.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "context/saved_printer_settings.h"

namespace qv {

struct InstallContext;

// Remembers `printer` (a record of the context's snapshot) with its "SubKey" in the context's
// savedSettings when it carries a non-empty one, unless a printer of that name is saved already.
// Leaves the printer as it is; writes no log.
void SavePrinterSettings(InstallContext& ctx, PRINTER_INFO_2W& printer);
// Reads the "SubKey" of the printer named `name` into `subKey` (kSubKeyCapacity bytes, empty when
// it has none) as GetPrinterSubKey does. False when the printer cannot be opened (`subKey` is then
// not written) or a read fails (the last error says why).
bool ReadPrinterSubKey(const wchar_t* name, char (&subKey)[kSubKeyCapacity]);

// Writes "SubKey" plain and under the key "DsUser"; true when both writes succeeded.
bool SetPrinterSubKey(HANDLE printer, const char* subKey);
// Reads "SubKey" (REG_SZ), plain first, else under "DsUser"; an empty string when neither is
// usable. `subKey` holds kSubKeyCapacity bytes and is always NUL-terminated. False when a read
// failed for another reason than a value missing or too long (the last error says why).
bool GetPrinterSubKey(HANDLE printer, char (&subKey)[kSubKeyCapacity]);
// Removes the value "deleted" from HKCU\Software\Orbelin\Quintavera\<subPath>, where it is.
void ClearDeletedMark(const char* subPath);

}  // namespace qv
