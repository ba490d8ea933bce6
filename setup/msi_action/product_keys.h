// The registry keys the installer leaves under HKLM\Software\Orbelin: removed with the product
// once nothing is left in them, as the setup program's uninstaller does.
#pragma once

namespace qvmsi {

// Deletes HKLM\Software\Orbelin\Quintavera, then HKLM\Software\Orbelin, each only when it holds
// neither values nor subkeys (64-bit view).
void RemoveEmptyProductKeys();

}  // namespace qvmsi
