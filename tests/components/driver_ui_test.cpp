// orbui64.dll as the spooler and GDI ask it for a printer's device mode. (Its printer event, giving
// a new printer its "SubKey", is sent to real printers in the setup scenario, tests/e2e/setup.sh.)
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "documentpropertyheader.h"

namespace {

using DocumentPropertySheetsFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);

// The size query (a mode without an output buffer is one as well), then the default device mode
// for a short name and for one longer than dmDeviceName, cut without writing past the block.
TEST(UiDllTest, DefaultDevModeIsValidAndItsSizeReported) {
  std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> module(
      LoadLibraryW(QV_TEST_BUILD_DIR L"\\package\\drv\\orbui64.dll"), &FreeLibrary);
  ASSERT_NE(module, nullptr) << "LoadLibrary failed: " << GetLastError();
  auto docSheets = reinterpret_cast<DocumentPropertySheetsFn>(
      reinterpret_cast<void*>(GetProcAddress(module.get(), "DrvDocumentPropertySheets")));
  ASSERT_NE(docSheets, nullptr);
  // Called without a sheet, as a printer's DocumentProperties does; the size it reports back.
  auto documentProperties = [&](LPWSTR name, DEVMODEW* out, DWORD cbOut, DWORD mode) {
    DOCUMENTPROPERTYHEADER dph = {sizeof(dph), 0, nullptr, name, nullptr, out, cbOut, mode};
    const LONG result = docSheets(nullptr, reinterpret_cast<LPARAM>(&dph));
    EXPECT_EQ(dph.cbOut, out == nullptr ? sizeof(DEVMODEW) : cbOut);
    return result;
  };
  std::wstring shortName = L"Quintavera", longName = L"Q" + std::wstring(299, L'N');
  const LONG size = documentProperties(&shortName[0], nullptr, 0, 0);
  ASSERT_EQ(size, static_cast<LONG>(sizeof(DEVMODEW)));
  EXPECT_EQ(documentProperties(&shortName[0], nullptr, 0, DM_OUT_BUFFER), size);
  for (std::wstring* name : {&shortName, &longName}) {
    std::vector<BYTE> buf(size + 64, 0xCC);
    auto* dm = reinterpret_cast<DEVMODEW*>(buf.data());
    dm->dmSize = static_cast<WORD>(size);  // as Wine's AddPrinterW prepares it
    EXPECT_GT(documentProperties(&(*name)[0], dm, size, DM_OUT_BUFFER), 0);
    EXPECT_EQ(std::wstring(dm->dmDeviceName), name->substr(0, CCHDEVICENAME - 1));
    EXPECT_EQ(dm->dmSpecVersion, DM_SPECVERSION);
    EXPECT_EQ(dm->dmSize, sizeof(DEVMODEW));
    EXPECT_EQ(dm->dmDriverExtra, 0);
    for (size_t i = size; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xCC) << "written past at " << i;
  }
}

}  // namespace
