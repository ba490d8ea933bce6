// The copy of qvinstall.exe this DLL carries as a resource: "onInit" runs from it before the
// package has laid out any file.
#pragma once

#include <windows.h>

#include <string>

namespace qvmsi {

// Resource name of the carried installer (RT_RCDATA).
#define QV_EMBEDDED_INSTALLER L"QVINSTALL"

// Writes the carried installer to `path`; false when it cannot.
bool WriteEmbeddedInstaller(HMODULE self, const std::wstring& path);

}  // namespace qvmsi
