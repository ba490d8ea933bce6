// The few printer-graphics DDI declarations orbdrv64.dll needs. MinGW-w64's <winddi.h> cannot be
// used in a user-mode build here (it pulls in <ddrawint.h>, which the toolchain lacks), so the
// documented layouts of DRVFN and DRVENABLEDATA and the constants used are declared here.
#ifndef ORBDRV_DDI_H
#define ORBDRV_DDI_H

#include <windows.h>

typedef LONG_PTR(APIENTRY* QV_PFN)();

typedef struct _QV_DRVFN {
  ULONG iFunc;
  QV_PFN pfn;
} QV_DRVFN;

typedef struct _QV_DRVENABLEDATA {
  ULONG iDriverVersion;
  ULONG c;
  QV_DRVFN* pdrvfn;
} QV_DRVENABLEDATA;

// DRVFN.iFunc indexes.
#define QV_INDEX_DrvEnablePDEV 0
#define QV_INDEX_DrvCompletePDEV 1
#define QV_INDEX_DrvDisablePDEV 2
#define QV_INDEX_DrvEnableSurface 3
#define QV_INDEX_DrvDisableSurface 4

// DRVENABLEDATA.iDriverVersion / DrvEnableDriver iEngineVersion.
#define QV_DDI_DRIVER_VERSION_NT4 0x00020000
#define QV_DDI_DRIVER_VERSION_NT5 0x00030000

// DrvQueryDriverInfo dwMode.
#define QV_DRVQUERY_USERMODE 0x00000001

#endif
