// Declarations of the printer-interface DDI that MinGW-w64's <winddiui.h> lacks: the
// DOCUMENTPROPERTYHEADER and DEVICEPROPERTYHEADER records (documented layouts from the Windows
// DDK's winddiui.h) and the prototypes of the exports that take them. Used by orbui64.dll and by
// its tests.
#ifndef QV_DOCUMENTPROPERTYHEADER_H
#define QV_DOCUMENTPROPERTYHEADER_H

#include <windows.h>
#include <winddiui.h>

#ifdef __cplusplus
extern "C" {
#endif

// lParam of DrvDocumentPropertySheets when it is called without property-sheet information
// (pPSUIInfo == NULL), and PROPSHEETUI_INFO.lParamInit when it is.
typedef struct _DOCUMENTPROPERTYHEADER {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  PDEVMODEW pdmIn;
  PDEVMODEW pdmOut;
  DWORD cbOut;
  DWORD fMode;
} DOCUMENTPROPERTYHEADER, *PDOCUMENTPROPERTYHEADER;

// PROPSHEETUI_INFO.lParamInit of DrvDevicePropertySheets.
typedef struct _DEVICEPROPERTYHEADER {
  WORD cbSize;
  WORD Flags;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
} DEVICEPROPERTYHEADER, *PDEVICEPROPERTYHEADER;

#ifndef DM_NOPERMISSION
#define DM_NOPERMISSION 0x0040
#endif
#ifndef DPS_NOPERMISSION
#define DPS_NOPERMISSION 0x0001
#endif

LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam);
LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam);
DWORD WINAPI DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput,
                                   PDEVMODEW pDevMode);

#ifdef __cplusplus
}
#endif

#endif
