// orbui64.dll: the printer-interface (configuration) DLL of the driver "Quintavera printer".
//
// The spooler and GDI ask it for the printer's default device mode (DrvDocumentPropertySheets
// without property-sheet information), for the printer's capabilities (DrvDeviceCapabilities) and
// tell it of printer events (a new printer gets its "SubKey": printer_subkey.cpp). Wine's
// AddPrinterW calls DrvDocumentPropertySheets of this DLL without checking that it exists, so the
// export is essential. Property sheets proper are not offered: the product printer has nothing to
// configure beyond paper, orientation and copies.
#include <windows.h>
#include <winspool.h>

#include <cstddef>

#include "documentpropertyheader.h"
#include "printer_subkey.h"

namespace {

constexpr WORD kDriverVersion = 0x0100;  // dmDriverVersion of the Quintavera device mode
constexpr DWORD kMaxCopies = 999;
constexpr DWORD kResolution = 300;  // dots per inch

// The fields this driver's DEVMODEW carries.
constexpr DWORD kFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_COLLATE |
                          DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_YRESOLUTION | DM_COLOR |
                          DM_SCALE | DM_FORMNAME;

struct Paper {
  WORD id;
  const wchar_t* name;
  LONG width;   // tenths of a millimetre
  LONG length;  // tenths of a millimetre
};

constexpr Paper kPapers[] = {
    {DMPAPER_A4, L"A4", 2100, 2970},
    {DMPAPER_LETTER, L"Letter", 2159, 2794},
};
constexpr DWORD kPaperCount = sizeof(kPapers) / sizeof(kPapers[0]);
constexpr size_t kPaperNameChars = 64;  // DC_PAPERNAMES entries are 64 characters each

const Paper* FindPaper(short id) {
  for (const Paper& paper : kPapers) {
    if (paper.id == id) return &paper;
  }
  return nullptr;
}

// Copies at most cch - 1 characters of src and always terminates dst.
void CopyTruncated(wchar_t* dst, size_t cch, const wchar_t* src) {
  size_t i = 0;
  if (src != nullptr) {
    for (; i + 1 < cch && src[i] != L'\0'; ++i) dst[i] = src[i];
  }
  dst[i] = L'\0';
}

// Letter where the user's locale measures in US paper, A4 everywhere else.
short DefaultPaper() {
  wchar_t value[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IPAPERSIZE, value, 8) > 0 && value[0] == L'1' &&
      value[1] == L'\0') {
    return DMPAPER_LETTER;
  }
  return DMPAPER_A4;
}

void SetPaper(DEVMODEW* dm, const Paper& paper) {
  dm->dmPaperSize = static_cast<short>(paper.id);
  CopyTruncated(dm->dmFormName, CCHFORMNAME, paper.name);
}

void FillDefaultDevMode(DEVMODEW* dm, const wchar_t* printerName) {
  ZeroMemory(dm, sizeof(DEVMODEW));
  CopyTruncated(dm->dmDeviceName, CCHDEVICENAME, printerName);
  dm->dmSpecVersion = DM_SPECVERSION;
  dm->dmDriverVersion = kDriverVersion;
  dm->dmSize = sizeof(DEVMODEW);
  dm->dmDriverExtra = 0;
  dm->dmFields = kFields;
  dm->dmOrientation = DMORIENT_PORTRAIT;
  SetPaper(dm, *FindPaper(DefaultPaper()));
  dm->dmScale = 100;
  dm->dmCopies = 1;
  dm->dmDefaultSource = DMBIN_AUTO;
  dm->dmPrintQuality = static_cast<short>(kResolution);
  dm->dmYResolution = static_cast<short>(kResolution);
  dm->dmColor = DMCOLOR_COLOR;
  dm->dmCollate = DMCOLLATE_FALSE;
}

// True when the input device mode is big enough to hold the field that ends at end.
bool Covers(const DEVMODEW* in, size_t end) { return in->dmSize >= end; }

#define QV_FIELD_END(field) \
  (offsetof(DEVMODEW, field) + sizeof(static_cast<DEVMODEW*>(nullptr)->field))

// Takes over from `in` the fields this driver supports and whose values it accepts.
void MergeDevMode(DEVMODEW* out, const DEVMODEW* in) {
  if (in == nullptr || in->dmSize < QV_FIELD_END(dmFields)) return;
  const DWORD f = in->dmFields;
  if ((f & DM_ORIENTATION) && Covers(in, QV_FIELD_END(dmOrientation)) &&
      (in->dmOrientation == DMORIENT_PORTRAIT || in->dmOrientation == DMORIENT_LANDSCAPE)) {
    out->dmOrientation = in->dmOrientation;
  }
  if ((f & DM_PAPERSIZE) && Covers(in, QV_FIELD_END(dmPaperSize))) {
    if (const Paper* paper = FindPaper(in->dmPaperSize)) SetPaper(out, *paper);
  }
  if ((f & DM_COPIES) && Covers(in, QV_FIELD_END(dmCopies)) && in->dmCopies >= 1 &&
      static_cast<DWORD>(in->dmCopies) <= kMaxCopies) {
    out->dmCopies = in->dmCopies;
  }
  if ((f & DM_COLLATE) && Covers(in, QV_FIELD_END(dmCollate)) &&
      (in->dmCollate == DMCOLLATE_TRUE || in->dmCollate == DMCOLLATE_FALSE)) {
    out->dmCollate = in->dmCollate;
  }
  if ((f & DM_COLOR) && Covers(in, QV_FIELD_END(dmColor)) &&
      (in->dmColor == DMCOLOR_COLOR || in->dmColor == DMCOLOR_MONOCHROME)) {
    out->dmColor = in->dmColor;
  }
  if ((f & DM_SCALE) && Covers(in, QV_FIELD_END(dmScale)) && in->dmScale >= 10 &&
      in->dmScale <= 400) {
    out->dmScale = in->dmScale;
  }
}

// The no-UI path: the size of the device mode, or the (merged) device mode itself.
LONG DocumentPropertiesNoUi(DOCUMENTPROPERTYHEADER* dph) {
  if (dph == nullptr || dph->cbSize < sizeof(DOCUMENTPROPERTYHEADER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  const LONG size = sizeof(DEVMODEW);
  if (dph->fMode == 0 || dph->pdmOut == nullptr) {
    dph->cbOut = size;
    return size;
  }
  if (!(dph->fMode & (DM_COPY | DM_UPDATE))) {
    // Neither DM_OUT_BUFFER nor DM_UPDATE: nothing to hand back, nothing to do.
    return IDOK;
  }
  if (dph->cbOut < static_cast<DWORD>(size)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return -1;
  }
  DEVMODEW result;
  FillDefaultDevMode(&result, dph->pszPrinterName);
  if ((dph->fMode & DM_MODIFY) && dph->pdmIn != nullptr) MergeDevMode(&result, dph->pdmIn);
  CopyMemory(dph->pdmOut, &result, sizeof(result));
  return IDOK;
}

// Writes a wide string array entry for DC_PAPERNAMES.
DWORD PaperNames(PVOID out) {
  if (out != nullptr) {
    auto* names = static_cast<wchar_t*>(out);
    for (DWORD i = 0; i < kPaperCount; ++i) {
      CopyTruncated(names + i * kPaperNameChars, kPaperNameChars, kPapers[i].name);
    }
  }
  return kPaperCount;
}

}  // namespace

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) {
  if (pPSUIInfo == nullptr) {
    return DocumentPropertiesNoUi(reinterpret_cast<DOCUMENTPROPERTYHEADER*>(lParam));
  }
  // Called through the common property-sheet UI: no pages of its own, but the device mode is
  // still handed back when one was asked for.
  auto* dph = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(pPSUIInfo->lParamInit);
  switch (pPSUIInfo->Reason) {
    case PROPSHEETUI_REASON_INIT:
      if (dph != nullptr && dph->pdmOut != nullptr && DocumentPropertiesNoUi(dph) < 0) {
        pPSUIInfo->Result = CPSUI_CANCEL;
        return -1;
      }
      pPSUIInfo->Result = CPSUI_OK;
      return 1;
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
    case PROPSHEETUI_REASON_GET_ICON:
      return 0;  // no header and no icon of its own: the caller's defaults apply
    case PROPSHEETUI_REASON_SET_RESULT:
    case PROPSHEETUI_REASON_DESTROY:
      return 1;
    default:
      return -1;
  }
}

extern "C" LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM) {
  if (pPSUIInfo == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  switch (pPSUIInfo->Reason) {
    case PROPSHEETUI_REASON_INIT:
      pPSUIInfo->Result = CPSUI_OK;  // no device settings to show
      return 1;
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
    case PROPSHEETUI_REASON_GET_ICON:
      return 0;
    case PROPSHEETUI_REASON_SET_RESULT:
    case PROPSHEETUI_REASON_DESTROY:
      return 1;
    default:
      return -1;
  }
}

extern "C" DWORD WINAPI DrvDeviceCapabilities(HANDLE, PWSTR, WORD iDevCap, PVOID pvOutput,
                                              PDEVMODEW) {
  switch (iDevCap) {
    case DC_FIELDS:
      return kFields;
    case DC_PAPERS:
      if (pvOutput != nullptr) {
        auto* ids = static_cast<WORD*>(pvOutput);
        for (DWORD i = 0; i < kPaperCount; ++i) ids[i] = kPapers[i].id;
      }
      return kPaperCount;
    case DC_PAPERNAMES:
      return PaperNames(pvOutput);
    case DC_PAPERSIZE:
      if (pvOutput != nullptr) {
        auto* sizes = static_cast<POINT*>(pvOutput);
        for (DWORD i = 0; i < kPaperCount; ++i) {
          sizes[i].x = kPapers[i].width;
          sizes[i].y = kPapers[i].length;
        }
      }
      return kPaperCount;
    case DC_COPIES:
      return kMaxCopies;
    case DC_DRIVER:
      return kDriverVersion;
    case DC_VERSION:
      return DM_SPECVERSION;
    case DC_SIZE:
      return sizeof(DEVMODEW);
    case DC_EXTRA:
      return 0;
    case DC_ORIENTATION:
      return 90;  // landscape is portrait turned 90 degrees counter-clockwise
    case DC_COLLATE:
      return 1;
    default:
      return GDI_ERROR;
  }
}

// The spooler tells of printer events. A new printer (added by the installer or by a person)
// gets its "SubKey"; every other event, newer ones included, needs nothing of this driver and is
// accepted, since refusing one can make the spooler refuse the printer or its connection. A
// printer left without a "SubKey" still prints: only its carry-over at an update is lost.
extern "C" BOOL WINAPI DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD, LPARAM) {
  if (DriverEvent == PRINTER_EVENT_INITIALIZE) orbui::EnsurePrinterSubKey(pPrinterName);
  return TRUE;
}

extern "C" BOOL WINAPI DrvDriverEvent(DWORD dwDriverEvent, DWORD, LPBYTE, LPARAM) {
  if (dwDriverEvent == DRIVER_EVENT_INITIALIZE || dwDriverEvent == DRIVER_EVENT_DELETE) {
    return TRUE;
  }
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
