// orbui64.dll as the spooler and GDI call it: the device mode size, the default device mode, the
// papers it reports and its answer to printer events. (The "SubKey" a new printer gets is checked
// against real printers in the setup scenario, tests/e2e/setup.sh.)
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "documentpropertyheader.h"

namespace {

using DocumentPropertySheetsFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);
using DeviceCapabilitiesFn = DWORD(WINAPI*)(HANDLE, PWSTR, WORD, PVOID, PDEVMODEW);
using PrinterEventFn = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);

wchar_t kPrinter[] = L"Quintavera";

class UiDllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(QV_TEST_DRV_DIR L"\\orbui64.dll");
    ASSERT_NE(module_, nullptr) << "LoadLibrary failed: " << GetLastError();
    docSheets_ = reinterpret_cast<DocumentPropertySheetsFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DrvDocumentPropertySheets")));
    ASSERT_NE(docSheets_, nullptr);
  }

  void TearDown() override { if (module_ != nullptr) FreeLibrary(module_); }

  // Calls DrvDocumentPropertySheets without a sheet, as a printer's DocumentProperties does.
  LONG DocumentProperties(LPWSTR name, DEVMODEW* out, DWORD cbOut, DWORD mode, DWORD* cbOutAfter) {
    DOCUMENTPROPERTYHEADER dph = {sizeof(dph), 0, nullptr, name, nullptr, out, cbOut, mode};
    LONG result = docSheets_(nullptr, reinterpret_cast<LPARAM>(&dph));
    if (cbOutAfter != nullptr) *cbOutAfter = dph.cbOut;
    return result;
  }

  HMODULE module_ = nullptr;
  DocumentPropertySheetsFn docSheets_ = nullptr;
};

// The size query (a mode without an output buffer is one as well), then the default device mode
// for a short name and for one longer than dmDeviceName, cut without writing past the block.
TEST_F(UiDllTest, DefaultDevModeIsValidAndItsSizeReported) {
  DWORD cbOut = 0;
  const LONG size = DocumentProperties(kPrinter, nullptr, 0, 0, &cbOut);
  ASSERT_EQ(size, static_cast<LONG>(sizeof(DEVMODEW)));
  EXPECT_EQ(cbOut, sizeof(DEVMODEW));
  EXPECT_EQ(DocumentProperties(kPrinter, nullptr, 0, DM_OUT_BUFFER, nullptr), size);
  std::wstring longName = L"Q" + std::wstring(299, L'N');
  for (LPWSTR name : {kPrinter, &longName[0]}) {
    std::vector<BYTE> buf(size + 64, 0xCC);
    auto* dm = reinterpret_cast<DEVMODEW*>(buf.data());
    dm->dmSize = static_cast<WORD>(size);  // as Wine's AddPrinterW prepares it
    EXPECT_GT(DocumentProperties(name, dm, size, DM_OUT_BUFFER, nullptr), 0);
    EXPECT_EQ(std::wstring(dm->dmDeviceName), std::wstring(name).substr(0, CCHDEVICENAME - 1));
    EXPECT_EQ(dm->dmSpecVersion, DM_SPECVERSION);
    EXPECT_EQ(dm->dmSize, sizeof(DEVMODEW));
    EXPECT_EQ(dm->dmDriverExtra, 0);
    const DWORD wanted = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
    EXPECT_EQ(dm->dmFields & wanted, wanted);
    EXPECT_EQ(dm->dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_TRUE(dm->dmPaperSize == DMPAPER_A4 || dm->dmPaperSize == DMPAPER_LETTER)
        << dm->dmPaperSize;
    EXPECT_EQ(dm->dmCopies, 1);
    for (size_t i = size; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xCC) << "written past at " << i;
  }
}

TEST_F(UiDllTest, DeviceCapabilitiesPapers) {
  auto caps = reinterpret_cast<DeviceCapabilitiesFn>(
      reinterpret_cast<void*>(GetProcAddress(module_, "DrvDeviceCapabilities")));
  ASSERT_NE(caps, nullptr);
  DWORD count = caps(nullptr, kPrinter, DC_PAPERS, nullptr, nullptr);
  ASSERT_GE(count, 2u);
  ASSERT_LT(count, 100u);
  std::vector<WORD> papers(count + 1, 0xBEEF);
  EXPECT_EQ(caps(nullptr, kPrinter, DC_PAPERS, papers.data(), nullptr), count);
  EXPECT_EQ(papers[count], 0xBEEF) << "wrote past the count it reported";
  papers.pop_back();
  for (WORD paper : {DMPAPER_A4, DMPAPER_LETTER}) {
    EXPECT_NE(std::find(papers.begin(), papers.end(), paper), papers.end()) << paper;
  }
}

// The spooler may refuse a printer or its connection when an event is refused: every event is
// accepted, newer ones and an initialisation the DLL cannot act on (no such printer) included.
TEST_F(UiDllTest, PrinterEventsAreNeverRefused) {
  auto event = reinterpret_cast<PrinterEventFn>(
      reinterpret_cast<void*>(GetProcAddress(module_, "DrvPrinterEvent")));
  ASSERT_NE(event, nullptr);
  wchar_t missing[] = L"Quintavera no such printer";
  for (INT id : {PRINTER_EVENT_ADD_CONNECTION, PRINTER_EVENT_INITIALIZE, PRINTER_EVENT_DELETE,
                 PRINTER_EVENT_ATTRIBUTES_CHANGED, 8, 9, 100}) {
    EXPECT_TRUE(event(missing, id, PRINTER_EVENT_FLAG_NO_UI, 0)) << "event " << id;
  }
}

}  // namespace
