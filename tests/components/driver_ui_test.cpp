// orbui64.dll and orbdrv64.dll as the spooler and GDI call them: the default device mode and the
// capabilities from the UI DLL, the function table and mode query from the driver DLL.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "component_paths.h"
#include "documentpropertyheader.h"
#include "orbdrv_ddi.h"

namespace {

using DocumentPropertySheetsFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);
using DevicePropertySheetsFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);
using DeviceCapabilitiesFn = DWORD(WINAPI*)(HANDLE, PWSTR, WORD, PVOID, PDEVMODEW);
using PrinterEventFn = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);
using EnableDriverFn = BOOL(APIENTRY*)(ULONG, ULONG, QV_DRVENABLEDATA*);
using DisableDriverFn = VOID(APIENTRY*)(VOID);
using QueryDriverInfoFn = BOOL(APIENTRY*)(DWORD, PVOID, DWORD, PDWORD);

template <typename F>
F Proc(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

wchar_t kPrinter[] = L"Quintavera";

class UiDllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(qvtest::DrvFile(L"orbui64.dll").c_str());
    ASSERT_NE(module_, nullptr) << "LoadLibrary failed: " << GetLastError();
    docSheets_ = Proc<DocumentPropertySheetsFn>(module_, "DrvDocumentPropertySheets");
    devSheets_ = Proc<DevicePropertySheetsFn>(module_, "DrvDevicePropertySheets");
    caps_ = Proc<DeviceCapabilitiesFn>(module_, "DrvDeviceCapabilities");
    event_ = Proc<PrinterEventFn>(module_, "DrvPrinterEvent");
    ASSERT_NE(docSheets_, nullptr);
    ASSERT_NE(devSheets_, nullptr);
    ASSERT_NE(caps_, nullptr);
    ASSERT_NE(event_, nullptr);
  }

  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  static DOCUMENTPROPERTYHEADER Header(LPWSTR name, DEVMODEW* in, DEVMODEW* out, DWORD cbOut,
                                       DWORD mode) {
    DOCUMENTPROPERTYHEADER dph = {};
    dph.cbSize = sizeof(dph);
    dph.pszPrinterName = name;
    dph.pdmIn = in;
    dph.pdmOut = out;
    dph.cbOut = cbOut;
    dph.fMode = mode;
    return dph;
  }

  LONG DevModeSize() {
    DOCUMENTPROPERTYHEADER dph = Header(kPrinter, nullptr, nullptr, 0, 0);
    return docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph));
  }

  HMODULE module_ = nullptr;
  DocumentPropertySheetsFn docSheets_ = nullptr;
  DevicePropertySheetsFn devSheets_ = nullptr;
  DeviceCapabilitiesFn caps_ = nullptr;
  PrinterEventFn event_ = nullptr;
};

TEST_F(UiDllTest, SizeQueryGivesTheDevModeSize) {
  DOCUMENTPROPERTYHEADER dph = Header(kPrinter, nullptr, nullptr, 0, 0);
  LONG size = docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph));
  EXPECT_EQ(size, static_cast<LONG>(sizeof(DEVMODEW)));
  EXPECT_EQ(dph.cbOut, static_cast<DWORD>(size));
  // A mode without an output buffer is a size query as well.
  DOCUMENTPROPERTYHEADER dph2 = Header(kPrinter, nullptr, nullptr, 0, DM_OUT_BUFFER);
  EXPECT_EQ(docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph2)), size);
}

TEST_F(UiDllTest, DefaultDevModeIsValid) {
  LONG size = DevModeSize();
  ASSERT_GE(size, static_cast<LONG>(sizeof(DEVMODEW)));
  std::vector<BYTE> buf(size, 0xCC);
  auto* dm = reinterpret_cast<DEVMODEW*>(buf.data());
  dm->dmSize = static_cast<WORD>(size);  // as Wine's AddPrinterW prepares it
  DOCUMENTPROPERTYHEADER dph = Header(kPrinter, nullptr, dm, size, DM_OUT_BUFFER);
  EXPECT_GT(docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph)), 0);
  EXPECT_STREQ(dm->dmDeviceName, L"Quintavera");
  EXPECT_EQ(dm->dmSpecVersion, DM_SPECVERSION);
  EXPECT_EQ(dm->dmSize, sizeof(DEVMODEW));
  EXPECT_EQ(dm->dmDriverExtra, 0);
  EXPECT_EQ(static_cast<LONG>(dm->dmSize + dm->dmDriverExtra), size);
  const DWORD wanted = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
  EXPECT_EQ(dm->dmFields & wanted, wanted);
  EXPECT_EQ(dm->dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_TRUE(dm->dmPaperSize == DMPAPER_A4 || dm->dmPaperSize == DMPAPER_LETTER)
      << dm->dmPaperSize;
  EXPECT_EQ(dm->dmCopies, 1);
  if (dm->dmFields & DM_FORMNAME) {
    EXPECT_STREQ(dm->dmFormName, dm->dmPaperSize == DMPAPER_A4 ? L"A4" : L"Letter");
  }
}

TEST_F(UiDllTest, LongPrinterNameIsCutSafely) {
  std::wstring longName(300, L'N');
  longName[0] = L'Q';
  LONG size = DevModeSize();
  const size_t guard = 64;
  std::vector<BYTE> buf(size + guard, 0xCC);
  auto* dm = reinterpret_cast<DEVMODEW*>(buf.data());
  dm->dmSize = static_cast<WORD>(size);
  DOCUMENTPROPERTYHEADER dph = Header(&longName[0], nullptr, dm, size, DM_OUT_BUFFER);
  EXPECT_GT(docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph)), 0);
  EXPECT_EQ(dm->dmDeviceName[CCHDEVICENAME - 1], L'\0');
  EXPECT_EQ(std::wstring(dm->dmDeviceName), longName.substr(0, CCHDEVICENAME - 1));
  for (size_t i = size; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xCC) << "written past at " << i;
}

TEST_F(UiDllTest, MissingPrinterNameGivesEmptyDeviceName) {
  DEVMODEW dm;
  std::memset(&dm, 0xCC, sizeof(dm));
  DOCUMENTPROPERTYHEADER dph = Header(nullptr, nullptr, &dm, sizeof(dm), DM_OUT_BUFFER);
  EXPECT_GT(docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph)), 0);
  EXPECT_EQ(dm.dmDeviceName[0], L'\0');
}

TEST_F(UiDllTest, InputDevModeIsMergedWhereSupported) {
  DEVMODEW in = {};
  in.dmSize = sizeof(in);
  in.dmSpecVersion = DM_SPECVERSION;
  in.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
  in.dmOrientation = DMORIENT_LANDSCAPE;
  in.dmPaperSize = DMPAPER_LETTER;
  in.dmCopies = 3;
  DEVMODEW out;
  DOCUMENTPROPERTYHEADER dph =
      Header(kPrinter, &in, &out, sizeof(out), DM_IN_BUFFER | DM_OUT_BUFFER);
  EXPECT_GT(docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph)), 0);
  EXPECT_EQ(out.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(out.dmPaperSize, DMPAPER_LETTER);
  EXPECT_EQ(out.dmCopies, 3);
  EXPECT_EQ(out.dmSize, sizeof(DEVMODEW));

  // Values the driver does not support are not taken over.
  in.dmOrientation = 7;
  in.dmPaperSize = 999;
  in.dmCopies = 0;
  EXPECT_GT(docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph)), 0);
  EXPECT_EQ(out.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_TRUE(out.dmPaperSize == DMPAPER_A4 || out.dmPaperSize == DMPAPER_LETTER);
  EXPECT_EQ(out.dmCopies, 1);

  // Without DM_IN_BUFFER the input is ignored.
  in.dmOrientation = DMORIENT_LANDSCAPE;
  dph.fMode = DM_OUT_BUFFER;
  EXPECT_GT(docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph)), 0);
  EXPECT_EQ(out.dmOrientation, DMORIENT_PORTRAIT);
}

TEST_F(UiDllTest, TooSmallOutputOrBadHeaderFails) {
  DEVMODEW out;
  DOCUMENTPROPERTYHEADER dph = Header(kPrinter, nullptr, &out, sizeof(out) - 1, DM_OUT_BUFFER);
  EXPECT_LT(docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph)), 0);
  DOCUMENTPROPERTYHEADER bad = Header(kPrinter, nullptr, &out, sizeof(out), DM_OUT_BUFFER);
  bad.cbSize = 4;
  EXPECT_LT(docSheets_(nullptr, reinterpret_cast<LPARAM>(&bad)), 0);
  EXPECT_LT(docSheets_(nullptr, 0), 0);
}

TEST_F(UiDllTest, DeviceCapabilitiesPapers) {
  DWORD count = caps_(nullptr, kPrinter, DC_PAPERS, nullptr, nullptr);
  ASSERT_GE(count, 2u);
  ASSERT_LT(count, 100u);
  std::vector<WORD> papers(count + 1, 0xBEEF);
  EXPECT_EQ(caps_(nullptr, kPrinter, DC_PAPERS, papers.data(), nullptr), count);
  EXPECT_EQ(papers[count], 0xBEEF) << "wrote past the count it reported";
  bool a4 = false, letter = false;
  for (DWORD i = 0; i < count; ++i) {
    a4 = a4 || papers[i] == DMPAPER_A4;
    letter = letter || papers[i] == DMPAPER_LETTER;
  }
  EXPECT_TRUE(a4);
  EXPECT_TRUE(letter);

  std::vector<wchar_t> names(64 * count);
  EXPECT_EQ(caps_(nullptr, kPrinter, DC_PAPERNAMES, names.data(), nullptr), count);
  std::vector<POINT> sizes(count);
  EXPECT_EQ(caps_(nullptr, kPrinter, DC_PAPERSIZE, sizes.data(), nullptr), count);
  for (DWORD i = 0; i < count; ++i) {
    const wchar_t* name = &names[64 * i];
    if (papers[i] == DMPAPER_A4) {
      EXPECT_STREQ(name, L"A4");
      EXPECT_EQ(sizes[i].x, 2100);
      EXPECT_EQ(sizes[i].y, 2970);
    } else if (papers[i] == DMPAPER_LETTER) {
      EXPECT_STREQ(name, L"Letter");
      EXPECT_EQ(sizes[i].x, 2159);
      EXPECT_EQ(sizes[i].y, 2794);
    }
  }
}

TEST_F(UiDllTest, DeviceCapabilitiesScalars) {
  DWORD fields = caps_(nullptr, kPrinter, DC_FIELDS, nullptr, nullptr);
  EXPECT_EQ(fields & (DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES),
            static_cast<DWORD>(DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES));
  EXPECT_GE(caps_(nullptr, kPrinter, DC_COPIES, nullptr, nullptr), 1u);
  EXPECT_EQ(caps_(nullptr, kPrinter, DC_VERSION, nullptr, nullptr),
            static_cast<DWORD>(DM_SPECVERSION));
  EXPECT_NE(caps_(nullptr, kPrinter, DC_DRIVER, nullptr, nullptr), GDI_ERROR);
  EXPECT_EQ(caps_(nullptr, kPrinter, DC_ORIENTATION, nullptr, nullptr), 90u);
  EXPECT_EQ(caps_(nullptr, kPrinter, DC_SIZE, nullptr, nullptr), sizeof(DEVMODEW));
  EXPECT_EQ(caps_(nullptr, kPrinter, DC_BINNAMES, nullptr, nullptr), GDI_ERROR);
  EXPECT_EQ(caps_(nullptr, kPrinter, 0xFFFF, nullptr, nullptr), GDI_ERROR);
}

TEST_F(UiDllTest, PrinterEventsAreAnswered) {
  EXPECT_TRUE(event_(kPrinter, PRINTER_EVENT_INITIALIZE, 0, 0));
  EXPECT_TRUE(event_(kPrinter, PRINTER_EVENT_DELETE, PRINTER_EVENT_FLAG_NO_UI, 0));
  EXPECT_FALSE(event_(kPrinter, 999, 0, 0));
}

TEST_F(UiDllTest, PropertySheetsWithoutUiAreSafe) {
  EXPECT_LT(devSheets_(nullptr, 0), 0);
  PROPSHEETUI_INFO info = {};
  info.cbSize = sizeof(info);
  info.Reason = PROPSHEETUI_REASON_INIT;
  EXPECT_GT(devSheets_(&info, 0), 0);
  EXPECT_EQ(info.Result, static_cast<ULONG_PTR>(CPSUI_OK));

  // Through the common property-sheet UI the document header comes in lParamInit.
  DEVMODEW out;
  DOCUMENTPROPERTYHEADER dph = Header(kPrinter, nullptr, &out, sizeof(out), DM_OUT_BUFFER);
  PROPSHEETUI_INFO doc = {};
  doc.cbSize = sizeof(doc);
  doc.Reason = PROPSHEETUI_REASON_INIT;
  doc.lParamInit = reinterpret_cast<LPARAM>(&dph);
  EXPECT_GT(docSheets_(&doc, 0), 0);
  EXPECT_STREQ(out.dmDeviceName, L"Quintavera");
}

TEST(DriverDllTest, EnablesWithAFunctionTableAndIsUserMode) {
  HMODULE module = LoadLibraryW(qvtest::DrvFile(L"orbdrv64.dll").c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  auto enable = Proc<EnableDriverFn>(module, "DrvEnableDriver");
  auto disable = Proc<DisableDriverFn>(module, "DrvDisableDriver");
  auto query = Proc<QueryDriverInfoFn>(module, "DrvQueryDriverInfo");
  ASSERT_NE(enable, nullptr);
  ASSERT_NE(disable, nullptr);
  ASSERT_NE(query, nullptr);

  QV_DRVENABLEDATA ded = {};
  ASSERT_TRUE(enable(QV_DDI_DRIVER_VERSION_NT5, sizeof(ded), &ded));
  EXPECT_GE(ded.iDriverVersion, static_cast<ULONG>(QV_DDI_DRIVER_VERSION_NT4));
  ASSERT_GT(ded.c, 0u);
  ASSERT_NE(ded.pdrvfn, nullptr);
  for (ULONG i = 0; i < ded.c; ++i) EXPECT_NE(ded.pdrvfn[i].pfn, nullptr);
  EXPECT_FALSE(enable(QV_DDI_DRIVER_VERSION_NT5, 4, &ded));

  DWORD userMode = 0, needed = 0;
  EXPECT_FALSE(query(QV_DRVQUERY_USERMODE, nullptr, 0, &needed));
  EXPECT_EQ(needed, sizeof(DWORD));
  ASSERT_TRUE(query(QV_DRVQUERY_USERMODE, &userMode, sizeof(userMode), &needed));
  EXPECT_EQ(userMode, static_cast<DWORD>(TRUE));
  EXPECT_FALSE(query(42, &userMode, sizeof(userMode), &needed));
  disable();
  FreeLibrary(module);
}

}  // namespace
