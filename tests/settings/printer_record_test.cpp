// The printer record: cut reinstalls lose no product printer; untrusted records are ignored.
#include <functional>

#include "../printers/printer_machine.h"
#include "installed_machine.h"
#include "program/command_line.h"
#include "settings/printer_record_format.h"

namespace qv::sim {
namespace {

constexpr wchar_t kRecordKey[] = L"HKLM\\SOFTWARE\\Orbelin\\Quintavera\\Installer";
const std::wstring kUserKeys = L"HKCU\\Software\\Orbelin\\Quintavera\\Quintaveras\\";

class PrinterRecord : public PrinterMachine {
 protected:
  // The installed product (printer "Quintavera": plain "SubKey", the default, its per-user key
  // marked "deleted") and a second product printer whose "SubKey" lies under "DsUser".
  void MakeMachine(SimWindows& machine) {
    machine.registry = sim.registry;
    MakeInstalledMachine(machine);
    machine.SetRegString(kUserKeys + L"Printer1", L"Name", L"kept");
    SimPrinter& invoices = machine.AddPrinter(L"Invoices", kProductDriver, kProductPort);
    invoices.comment = L"Accounts";
    invoices.location = L"Room 1.02";
    SetData(invoices, "DsUser", "invoices");
  }
  static int Install(SimWindows& machine) {
    machine.commandLine = L"qvinstall.exe install";
    return RunCommandLine();
  }
  // Port, comment, location, plain and "DsUser" "SubKey" (with its NUL) of the printer.
  static std::string Settings(SimWindows& machine, const wchar_t* name) {
    const SimPrinter* p = machine.FindPrinter(name);
    if (!p) return "missing";
    std::wstring text = p->port + L"|" + p->comment + L"|" + p->location;
    for (const char* key : {"", "DsUser"}) {
      const auto value = p->data.find({key, "SubKey"});
      text += L"|" + (value == p->data.end()
                          ? L"<none>"
                          : std::wstring(value->second.data.begin(), value->second.data.end()));
    }
    return std::string(text.begin(), text.end());
  }
  static std::string Carried(const char* comment, const char* location, const char* subKey) {
    const std::string sz = std::string(subKey) + '\0';
    return std::string("Quintavera:|") + comment + "|" + location + "|" + sz + "|" + sz;
  }
};

// Each cut (on a coarser grid, a second cut after it), then a normal install: both printers back
// (uncut: the last saved first) with their settings and the default mark, the per-user "deleted"
// mark cleared (other values kept, a missing key not created), and no record.
TEST_F(PrinterRecord, InstallAfterReinstallsCutShortAtAnyCallBringsEveryPrinterBack) {
  bool whole = false;  // the last cut came after the run's last call
  for (long cut = 0; !whole && !HasFailure(); ++cut) {
    bool wholeAgain = false;
    for (long again = -1; !wholeAgain && !HasFailure(); again += again < 0 ? 1 : 10) {
      SimWindows machine;
      ScopedWindowsApi scope(machine);
      MakeMachine(machine);
      machine.CutAfter(cut);
      Install(machine);
      const long calls = static_cast<long>(machine.CalledFunctions().size());
      whole = calls <= cut;
      machine.CutAfter(again);
      if (again >= 0) Install(machine);
      wholeAgain =
          again >= 0 && static_cast<long>(machine.CalledFunctions().size()) - calls <= again;
      const std::string last = cut ? machine.CalledFunctions().at(cut - 1) : "nothing";
      SCOPED_TRACE(testing::Message()
                   << "cut after call " << cut << " (" << last << "), then " << again);
      machine.CutAfter(-1);
      EXPECT_EQ(Install(machine), 1);
      EXPECT_EQ(machine.printers.size(), 3u);
      EXPECT_NE(machine.FindPrinter(L"Office"), nullptr);
      EXPECT_TRUE(cut != 0 || again >= 0 || machine.printers.at(1).name == L"Invoices")
          << "uncut: last saved first";
      EXPECT_EQ(Settings(machine, L"Quintavera"), Carried("Front desk", "Hall", "Printer1"));
      EXPECT_EQ(Settings(machine, L"Invoices"), Carried("Accounts", "Room 1.02", "invoices"));
      EXPECT_EQ(machine.defaultPrinter, L"Quintavera");
      EXPECT_FALSE(machine.HasRegValue(kUserKeys + L"Printer1", L"deleted"));
      EXPECT_EQ(machine.RegString(kUserKeys + L"Printer1", L"Name"), L"kept");
      EXPECT_EQ(machine.registry.count(Lower(kUserKeys + L"invoices")), 0u);
      EXPECT_EQ(machine.registry.count(Lower(kRecordKey)), 0u);
      EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0);
    }
  }
}

TEST_F(PrinterRecord, RecordsThatCannotBeTrustedAreIgnoredInOneLine) {
  // A record holding "Quintavera" (other settings, not the default) and "Recorded" (the default).
  PRINTER_INFO_2W quintavera = {}, recorded = {};
  quintavera.pPrinterName = const_cast<LPWSTR>(L"Quintavera");
  quintavera.pComment = const_cast<LPWSTR>(L"from the record");
  recorded.pPrinterName = const_cast<LPWSTR>(L"Recorded");
  recorded.pLocation = const_cast<LPWSTR>(L"Annex");
  recorded.Attributes = PRINTER_ATTRIBUTE_DEFAULT;
  SavedSettingsList list;
  PushSavedSettings(list, quintavera, "rec-q");
  PushSavedSettings(list, recorded, "rec-r");
  GlobalBlock data;
  DWORD bytes = 0;
  ASSERT_TRUE(EncodePrinterRecord(list, data, bytes));
  const auto* start = static_cast<const BYTE*>(data.Get());
  struct Case {
    const char* name;
    std::function<void(RegValue&)> change;
    const wchar_t* reason;  // null: the record is taken over
  };
  const std::vector<Case> cases = {
      {"intact", [](RegValue&) {}, nullptr},
      {"last byte missing", [](RegValue& v) { v.data.pop_back(); }, L"truncated"},
      {"header cut", [](RegValue& v) { v.data.resize(6); }, L"truncated"},
      {"empty", [](RegValue& v) { v.data.clear(); }, L"truncated"},
      {"a byte more", [](RegValue& v) { v.data.push_back(0); }, L"damaged"},
      {"a name changed", [](RegValue& v) { v.data[20] ^= 1; }, L"damaged"},
      {"count beyond the entries", [](RegValue& v) { v.data[6] = 3; }, L"damaged"},
      {"other magic", [](RegValue& v) { v.data[0] = 'X'; }, L"foreign"},
      {"text value", [](RegValue& v) { v.type = REG_SZ; }, L"foreign"},
      {"later version", [](RegValue& v) { v.data[4] = 2; }, L"of another version"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimWindows machine;
    ScopedWindowsApi scope(machine);
    MakeMachine(machine);
    RegValue value{REG_BINARY, std::vector<BYTE>(start, start + bytes)};
    c.change(value);
    machine.registry[Lower(kRecordKey)][L"printers"] = value;
    machine.shiftDown = true;

    EXPECT_EQ(Install(machine), 1);

    std::vector<std::wstring> recordLines;
    for (const std::wstring& line : Trimmed(SplitLines(machine.dialog.text)))
      if (line.find(L"record") != line.npos) recordLines.push_back(line);
    EXPECT_EQ(recordLines,
              std::vector<std::wstring>{
                  c.reason ? L"The printer record of an earlier run is " + std::wstring(c.reason) +
                                 L" and was ignored"
                           : L"2 printers taken over from the record of an interrupted run"});
    EXPECT_EQ(Settings(machine, L"Quintavera"), c.reason ? Carried("Front desk", "Hall", "Printer1")
                                                         : Carried("from the record", "", "rec-q"));
    EXPECT_EQ(Settings(machine, L"Recorded"), c.reason ? "missing" : Carried("", "Annex", "rec-r"));
    EXPECT_EQ(machine.defaultPrinter, c.reason ? L"Quintavera" : L"Recorded");
    EXPECT_EQ(machine.registry.count(Lower(kRecordKey)), 0u);
    EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0);
  }
}

}  // namespace
}  // namespace qv::sim
