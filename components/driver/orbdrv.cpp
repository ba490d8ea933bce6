// orbdrv64.dll: the Quintavera printer graphics DLL (driver path and data file of the driver
// "Quintavera printer").
//
// The product's printers only pass raw job bytes to the port monitor, so this driver does no
// rendering: it answers the spooler's and GDI's questions sanely (a user-mode driver for the
// NT5 DDI) and refuses to open a drawing surface, so that a DC on it fails cleanly instead of
// drawing into nothing.
#include <windows.h>

#include "orbdrv_ddi.h"

namespace {

typedef HANDLE QV_DHPDEV;
typedef HANDLE QV_HSURF;
typedef HANDLE QV_HDEV;

QV_DHPDEV APIENTRY QvEnablePDEV(DEVMODEW*, LPWSTR, ULONG, QV_HSURF*, ULONG, ULONG*, ULONG, void*,
                                QV_HDEV, LPWSTR, HANDLE) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return nullptr;
}

VOID APIENTRY QvCompletePDEV(QV_DHPDEV, QV_HDEV) {}

VOID APIENTRY QvDisablePDEV(QV_DHPDEV) {}

QV_HSURF APIENTRY QvEnableSurface(QV_DHPDEV) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return nullptr;
}

VOID APIENTRY QvDisableSurface(QV_DHPDEV) {}

// DRVFN entries hold every function as the generic PFN; the detour through void (*)() keeps the
// compiler from warning about the cast between function types.
template <typename F>
QV_PFN AsPfn(F* f) {
  return reinterpret_cast<QV_PFN>(reinterpret_cast<void (*)()>(f));
}

QV_DRVFN g_functions[] = {
    {QV_INDEX_DrvEnablePDEV, AsPfn(QvEnablePDEV)},
    {QV_INDEX_DrvCompletePDEV, AsPfn(QvCompletePDEV)},
    {QV_INDEX_DrvDisablePDEV, AsPfn(QvDisablePDEV)},
    {QV_INDEX_DrvEnableSurface, AsPfn(QvEnableSurface)},
    {QV_INDEX_DrvDisableSurface, AsPfn(QvDisableSurface)},
};

}  // namespace

// GDI asks for the driver's function table. The engine must speak at least the NT4 DDI and the
// caller's block must hold the whole DRVENABLEDATA.
extern "C" BOOL APIENTRY DrvEnableDriver(ULONG iEngineVersion, ULONG cj, QV_DRVENABLEDATA* pded) {
  if (pded == nullptr || cj < sizeof(QV_DRVENABLEDATA) ||
      iEngineVersion < QV_DDI_DRIVER_VERSION_NT4) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  pded->iDriverVersion = QV_DDI_DRIVER_VERSION_NT5;
  pded->c = sizeof(g_functions) / sizeof(g_functions[0]);
  pded->pdrvfn = g_functions;
  return TRUE;
}

extern "C" VOID APIENTRY DrvDisableDriver(VOID) {}

// The only question asked: is this a user-mode driver? Yes (a DWORD TRUE).
extern "C" BOOL APIENTRY DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf,
                                            PDWORD pcbNeeded) {
  if (dwMode != QV_DRVQUERY_USERMODE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (pcbNeeded == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcbNeeded = sizeof(DWORD);
  if (pBuffer == nullptr || cbBuf < sizeof(DWORD)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  *static_cast<DWORD*>(pBuffer) = TRUE;
  return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
