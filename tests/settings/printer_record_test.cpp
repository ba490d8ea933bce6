// The printer record: no product printer is lost to a reinstall cut short or failing on the way; a
// record the run cannot use is never destroyed; a stale one never beats the machine's printers.
#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>

#include "../printers/printer_machine.h"
#include "scenario.h"
#include "program/command_line.h"
#include "record/printer_record_format.h"

namespace qv::sim {
namespace {

constexpr wchar_t kRecordKey[] = L"HKLM\\SOFTWARE\\Orbelin\\Quintavera\\Installer";
const std::wstring kUserKeys = L"HKCU\\Software\\Orbelin\\Quintavera\\Quintaveras\\";

class PrinterRecord : public PrinterMachine {
 protected:
  // The installed product (printer "Quintavera": plain "SubKey", the default, its per-user key
  // marked "deleted") and a second product printer whose "SubKey" lies under "DsUser", the
  // installer's Windows while it lives. As on Windows, the product driver gives each new printer a
  // "SubKey" of its own at once.
  struct Machine : SimWindows {
    // `split`: beside them "Archive", whose location makes the record too large for one value.
    explicit Machine(bool split = false) {
      MakeInstalledMachine(*this);
      onPrinterAdded = [fresh = 0](SimPrinter& printer) mutable {
        if (printer.driver == kProductDriver) SetData(printer, "", "new" + std::to_string(++fresh));
      };
      SetRegString(kUserKeys + L"Printer1", L"Name", L"kept");
      SimPrinter& invoices = AddPrinter(L"Invoices", kProductDriver, kProductPort);
      invoices.comment = L"Accounts";
      invoices.location = L"Room 1.02";
      SetData(invoices, "DsUser", "invoices");
      if (!split) return;
      SimPrinter& archive = AddPrinter(L"Archive", kProductDriver, kProductPort);
      archive.location = std::wstring(140000, L'a');
      SetData(archive, "", "archive");
    }
    ScopedWindowsApi scope{*this};
  };
  static int Install(SimWindows& machine) {
    machine.commandLine = L"qvinstall.exe install";
    return RunCommandLine();
  }
  // Every call of an install on a fresh machine, in order.
  static std::vector<std::string> CallsOfAnInstall(bool split = false) {
    Machine machine(split);
    Install(machine);
    return machine.CalledFunctions();
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
  // Both printers there with comment, location and the default mark, their "SubKey" in one place
  // at least.
  static bool BothThere(SimWindows& machine) {
    const auto there = [&machine](const wchar_t* name, const std::string& start, const char* key) {
      const std::string settings = Settings(machine, name);
      return settings.rfind(start, 0) == 0 && settings.find(key) != std::string::npos;
    };
    return there(L"Quintavera", "Quintavera:|Front desk|Hall|", "Printer1") &&
           there(L"Invoices", "Quintavera:|Accounts|Room 1.02|", "invoices") &&
           machine.defaultPrinter == L"Quintavera";
  }
  // Both printers back with their settings and the default mark, the per-user "deleted" mark
  // cleared (other values kept, a missing key not created), no record, nothing held.
  static void ExpectBothBack(SimWindows& machine, size_t printers = 3) {
    EXPECT_EQ(machine.printers.size(), printers);
    EXPECT_EQ(Settings(machine, L"Quintavera"), Carried("Front desk", "Hall", "Printer1"));
    EXPECT_EQ(Settings(machine, L"Invoices"), Carried("Accounts", "Room 1.02", "invoices"));
    EXPECT_EQ(machine.defaultPrinter, L"Quintavera");
    EXPECT_FALSE(machine.HasRegValue(kUserKeys + L"Printer1", L"deleted"));
    EXPECT_TRUE(machine.HasRegValue(kUserKeys + L"Printer1", L"Name"));
    EXPECT_EQ(machine.registry.count(Lower(kUserKeys + L"invoices")), 0u);
    EXPECT_EQ(machine.registry.count(Lower(kRecordKey)), 0u);
    EXPECT_EQ(machine.LiveBlocks() + machine.OpenHandles(), 0);
  }
  // Everything of the machine the installer could change, as text.
  static std::wstring Fingerprint(SimWindows& machine) {
    std::wostringstream out;
    for (const auto& [key, values] : machine.registry)
      for (const auto& [name, value] : values)
        out << key << L"\\" << name << L"=" << value.type << L":"
            << std::wstring(value.data.begin(), value.data.end()) << L"\n";
    for (const SimPrinter& p : machine.printers) out << p.name << p.driver << p.port << L"\n";
    for (const auto& [path, file] : machine.files) out << path << L"\n";
    out << machine.defaultPrinter << machine.drivers.size() << machine.monitors.size()
        << machine.windows.size();
    return out.str();
  }
  // The lines of the log window holding `text`, indents aside.
  static std::vector<std::wstring> LinesWith(SimWindows& machine, const wchar_t* text) {
    std::vector<std::wstring> lines;
    for (const std::wstring& line : Trimmed(SplitLines(machine.dialog.text)))
      if (line.find(text) != line.npos) lines.push_back(line);
    return lines;
  }
};

// A reinstall with any one call failing once, or cut short after any call (on a coarser grid, a
// second cut after it), then a normal install: both printers back (uncut: the last saved first).
// A failing call that leaves a printer not back whole is an error.
TEST_F(PrinterRecord, InstallAfterAReinstallCutShortOrFailingAnywhereBringsEveryPrinterBack) {
  for (const bool split : {false, true}) {
  SCOPED_TRACE(split ? "a record split over several values" : "a record of one value");
  const size_t printers = split ? 4 : 3;
  const std::vector<std::string> calls = CallsOfAnInstall(split);
  for (size_t call = 0; call < calls.size() && !HasFailure(); ++call) {
    SCOPED_TRACE(testing::Message() << "call " << call << " (" << calls[call] << ") failing");
    Machine machine(split);
    const std::string& function = calls[call];
    machine.FailCallAfter(static_cast<long>(call),
                          function == "GlobalAlloc"                     ? ERROR_NOT_ENOUGH_MEMORY
                          : function.find("Print") != std::string::npos ? RPC_S_SERVER_UNAVAILABLE
                                                                        : ERROR_ACCESS_DENIED);
    const int code = Install(machine);
    EXPECT_TRUE(BothThere(machine) || code == 100) << "a printer not back, and no error";
    EXPECT_EQ(Install(machine), 1);
    ExpectBothBack(machine, printers);
  }
  bool whole = false;  // the last cut came after the run's last call
  for (long cut = 0; !whole && !HasFailure(); ++cut) {
    bool wholeAgain = false;
    // A split record's second cut is left to the record of one value: its values are the same.
    for (long again = -1; !wholeAgain && !HasFailure() && (!split || again < 0);
         again += again < 0 ? 1 : 10) {
      Machine machine(split);
      machine.CutAfter(cut);
      Install(machine);
      const long made = static_cast<long>(machine.CalledFunctions().size());
      whole = made <= cut;
      machine.CutAfter(again);
      if (again >= 0) Install(machine);
      wholeAgain =
          again >= 0 && static_cast<long>(machine.CalledFunctions().size()) - made <= again;
      const std::string last = cut ? machine.CalledFunctions().at(cut - 1) : "nothing";
      SCOPED_TRACE(testing::Message()
                   << "cut after call " << cut << " (" << last << "), then " << again);
      machine.CutAfter(-1);
      EXPECT_EQ(Install(machine), 1);
      EXPECT_TRUE(cut != 0 || again >= 0 || machine.printers.at(split ? 2 : 1).name == L"Invoices")
          << "uncut: last saved first";
      ExpectBothBack(machine, printers);
    }
  }
  }
}

// A stale record (the run cut short right after writing it), then a person's change to a printer
// still there: the printer as the person left it wins, and no two printers share a "SubKey".
TEST_F(PrinterRecord, PrintersOnTheMachineWinOverAStaleRecord) {
  struct Case {
    const char* name;
    std::function<void(SimWindows&)> change;
    const wchar_t* printer;  // the changed printer after the install
    std::string settings;
  };
  const Case cases[] = {
      {"renamed", [](SimWindows& m) { m.FindPrinter(L"Invoices")->name = L"Bills"; }, L"Bills",
       Carried("Accounts", "Room 1.02", "invoices")},
      {"comment edited", [](SimWindows& m) { m.FindPrinter(L"Invoices")->comment = L"Bills"; },
       L"Invoices", Carried("Bills", "Room 1.02", "invoices")},
      {"replaced by a new one of its name",
       [](SimWindows& m) {
         SimPrinter& p = *m.FindPrinter(L"Invoices");
         p.data.clear();
         SetData(p, "", "fresh");
         p.comment = L"New";
       },
       L"Invoices", Carried("New", "Room 1.02", "fresh")},
  };
  const auto calls = CallsOfAnInstall();
  const long flushed = std::find(calls.begin(), calls.end(), "RegFlushKey") - calls.begin() + 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Machine machine;
    machine.CutAfter(flushed);
    Install(machine);
    machine.CutAfter(-1);
    ASSERT_TRUE(machine.HasRegValue(kRecordKey, L"Printers"));
    c.change(machine);
    machine.shiftDown = &c == cases;  // the log window opens
    EXPECT_EQ(Install(machine), 1);
    if (&c == cases) {
      const wchar_t* left = L"' of the record left out: a printer on this machine carries it";
      EXPECT_EQ(LinesWith(machine, L"record"), (std::vector<std::wstring>{
                                              L"Printer 'Quintavera" + std::wstring(left),
                                              L"Printer 'Invoices" + std::wstring(left)}));
    }
    EXPECT_EQ(machine.printers.size(), 3u);
    EXPECT_EQ(Settings(machine, c.printer), c.settings);
    EXPECT_EQ(Settings(machine, L"Quintavera"), Carried("Front desk", "Hall", "Printer1"));
    EXPECT_EQ(machine.registry.count(Lower(kRecordKey)), 0u);
  }
}

// A record this run cannot use is never destroyed: a broken one is set aside and the run goes on;
// one of another version, or one still unreadable at the third attempt, stops the run before it
// changes anything.
TEST_F(PrinterRecord, RecordsThisRunCannotUseAreNeverDestroyed) {
  // A record as the writer makes it; or as a foreign writer could leave it: the byte `at` from
  // its end changed, then the hash made anew over it.
  const auto record = [](const SavedSettingsList& saved, const wchar_t* parked, size_t at) {
    GlobalBlock block;
    DWORD size = 0;
    EXPECT_TRUE(EncodePrinterRecord(saved, &parked, parked ? 1 : 0, block, size));
    const auto* first = static_cast<const BYTE*>(block.Get());
    std::vector<BYTE> bytes(first, first + size);
    if (at == 0) return bytes;
    bytes[size - at] = 'x';
    uint32_t hash = 2166136261u;
    for (size_t i = 16; i < bytes.size(); ++i) hash = (hash ^ bytes[i]) * 16777619u;
    std::memcpy(&bytes[12], &hash, sizeof hash);
    return bytes;
  };
  PRINTER_INFO_2W recorded = {};
  recorded.pPrinterName = const_cast<LPWSTR>(L"Recorded");
  recorded.pLocation = const_cast<LPWSTR>(L"Annex");
  SavedSettingsList list, padded, longKey;
  PushSavedSettings(list, recorded, "rec-r");
  PushSavedSettings(padded, recorded, "pads");  // its "SubKey" and NUL take a padding byte
  PushSavedSettings(longKey, recorded, std::string(kSubKeyCapacity, 'k').c_str());
  const std::vector<BYTE> intact = record(list, nullptr, 0);
  EXPECT_EQ(record(list, nullptr, 10), intact);  // its 'x' written again: the hash is FNV-1a's
  const std::vector<BYTE> badPadding = record(padded, nullptr, 1);
  const std::vector<BYTE> parkedWithKey = record(SavedSettingsList(), L"P", 2);
  const std::wstring taken = L"1 printers taken over from the record of an interrupted run";
  const auto same = [](RegValue&) {};
  struct Case {
    const char* name;
    std::function<void(RegValue&)> change;
    const wchar_t* damage;   // how the line setting it aside calls it; null: not set aside
    std::wstring line = {};  // otherwise the one line naming the record
    int failures = 0;        // of `failing`
    const char* failing = "RegQueryValueExW";
  };
  const std::vector<Case> cases = {
      {"intact", same, nullptr, taken},
      {"read at the third attempt", same, nullptr, taken, 2},
      {"unreadable", same, nullptr,
       L"Error(23): Can't read the printer record of an earlier run - (System message 5.)", 3},
      {"later version", [](RegValue& v) { v.data[4] = 3; }, nullptr,
       L"Error(22): The printer record is of version 3: nothing was changed, run the newer "
       L"Quintavera setup"},
      {"last byte missing", [](RegValue& v) { v.data.pop_back(); }, L"truncated"},
      {"header cut", [](RegValue& v) { v.data.resize(6); }, L"truncated"},
      {"empty", [](RegValue& v) { v.data.clear(); }, L"truncated"},
      {"a byte more", [](RegValue& v) { v.data.push_back(0); }, L"damaged"},
      {"a name changed", [](RegValue& v) { v.data[20] ^= 1; }, L"damaged"},
      {"count beyond the entries", [](RegValue& v) { v.data[6] = 3; }, L"damaged"},
      {"padding byte set", [&](RegValue& v) { v.data = badPadding; }, L"damaged"},
      {"a \"SubKey\" too long", [&](RegValue& v) { v.data = record(longKey, nullptr, 0); },
       L"damaged"},
      {"a flag unknown", [&](RegValue& v) { v.data = record(list, nullptr, intact.size() - 17); },
       L"damaged"},
      {"a parked entry with a \"SubKey\"", [&](RegValue& v) { v.data = parkedWithKey; },
       L"damaged"},
      {"other magic", [](RegValue& v) { v.data[0] = 'X'; }, L"foreign"},
      {"text value", [](RegValue& v) { v.type = REG_SZ; }, L"foreign"},
      {"text value not set aside", [](RegValue& v) { v.type = REG_SZ; }, nullptr,
       L"Error(25): Can't set the foreign printer record aside - (System message 5.)", -1,
       "RegSetValueExW"},
      {"a second broken one", [](RegValue& v) { v.data[0] = 'Y'; }, L"foreign"},
  };
  const RegValue earlierAside{REG_BINARY, {7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Machine machine;
    RegValue value{REG_BINARY, intact};
    c.change(value);
    auto& values = machine.registry[Lower(kRecordKey)];
    values[L"printers"] = value;
    const bool second = c.name == std::string("a second broken one");  // beside an earlier one
    if (second) values[L"printers.damaged"] = earlierAside;
    const std::wstring aside = second ? L"Printers.damaged2" : L"Printers.damaged";
    const std::wstring line = c.damage ? L"Error(24): The printer record of an earlier run is " +
                                             std::wstring(c.damage) + L": kept as '" + aside + L"'"
                                       : c.line;
    machine.FailNext(c.failing, c.failures, ERROR_ACCESS_DENIED);
    machine.shiftDown = true;
    const std::wstring before = Fingerprint(machine);
    const bool stops = !c.damage && line != taken;  // errors 22, 23 and 25

    EXPECT_EQ(Install(machine), line == taken ? 1 : 100);

    EXPECT_EQ(LinesWith(machine, L"record"), std::vector<std::wstring>{line});
    if (stops) {
      EXPECT_EQ(Fingerprint(machine), before) << "the machine changed";
      continue;
    }
    EXPECT_EQ(Settings(machine, L"Recorded"), c.damage ? "missing" : Carried("", "Annex", "rec-r"));
    EXPECT_EQ(Settings(machine, L"Invoices"), Carried("Accounts", "Room 1.02", "invoices"));
    EXPECT_FALSE(machine.HasRegValue(kRecordKey, L"Printers"));
    if (!c.damage) continue;
    const auto calls = machine.CalledFunctions();  // the copy made lasting before the record goes
    EXPECT_EQ(*(std::find(calls.begin(), calls.end(), "RegDeleteValueA") - 1), "RegFlushKey");
    const RegValue& kept = machine.registry.at(Lower(kRecordKey)).at(Lower(aside));
    EXPECT_EQ(kept.type, value.type);
    EXPECT_EQ(kept.data, value.data);
    if (second) {
      EXPECT_EQ(machine.registry.at(Lower(kRecordKey)).at(L"printers.damaged").data,
                earlierAside.data);
    }
  }
}

// The writer keeps a record in one value up to the largest the reader takes and splits a larger
// one (version 2); the reader takes both back, as it takes the smallest entry.
TEST_F(PrinterRecord, WriterAndReaderAgreeOnTheRecordsBounds) {
  // A comment that fills one value, then one more; no comment: the smallest entry.
  for (size_t length : {131058u, 131059u, 0u}) {
    SCOPED_TRACE(length);
    std::wstring comment(length, L'c');
    PRINTER_INFO_2W printer = {};
    printer.pPrinterName = const_cast<LPWSTR>(L"P");
    printer.pComment = length ? &comment[0] : nullptr;
    SavedSettingsList list;
    PushSavedSettings(list, printer, "k");
    GlobalBlock data, printers;
    DWORD bytes = 0, count = 0;
    ASSERT_TRUE(EncodePrinterRecord(list, nullptr, 0, data, bytes));
    const auto* record = static_cast<const BYTE*>(data.Get());
    EXPECT_EQ(PrinterRecordVersion(record, bytes), length == 131059u ? 2u : 1u);
    EXPECT_EQ(bytes == kMaxPrinterRecordBytes, length == 131058u);
    EXPECT_EQ(DecodePrinterRecord(record, bytes, printers, count), nullptr);
    EXPECT_EQ(count, 1u);
  }
  EXPECT_EQ(sim.LiveBlocks(), 0);  // the lists let go of their entries
  // Beyond 1 GiB (the same 2 MiB name and comment in every entry), no record is made.
  std::wstring comment(1 << 20, L'c');
  PRINTER_INFO_2W printer = {};
  printer.pPrinterName = printer.pComment = &comment[0];
  SavedSettingsList list;
  for (int i = 0; i < 257; ++i) PushSavedSettings(list, printer, "k");
  GlobalBlock data;
  DWORD bytes = 0;
  EXPECT_FALSE(EncodePrinterRecord(list, nullptr, 0, data, bytes));
  for (int n : {1, 2}) {  // without memory for the "SubKey"'s copy, then for its node: not pushed
    FailNthHeapBlock(n);
    EXPECT_FALSE(PushSavedSettings(list, printer, "k"));
  }
}

// A print server's 5,000 product printers, none of which a reinstall can add again: the record,
// split over several values, keeps them all, and the next install brings every one back whole.
TEST_F(PrinterRecord, FiveThousandPrintersComeBackFromASplitRecord) {
  Machine machine;
  for (int i = 0; i < 5000; ++i) {
    const std::wstring n = std::to_wstring(i);
    SimPrinter& printer = machine.AddPrinter(L"Q" + n, kProductDriver, kProductPort);
    printer.comment = L"Comment " + n;
    printer.location = L"Floor " + n;
    SetData(printer, "", "k" + std::to_string(i));
  }
  machine.FailAlways("AddPrinterW", RPC_S_SERVER_UNAVAILABLE);
  EXPECT_EQ(Install(machine), 100);
  const auto& values = machine.registry.at(Lower(kRecordKey));
  EXPECT_EQ(values.at(L"printers").data.size(), kSplitHeaderBytes);
  EXPECT_EQ(values.count(L"printers.0.1") + values.count(L"printers.0.2"), 2u);
  machine.FailNext("AddPrinterW", 0, 0);
  EXPECT_EQ(Install(machine), 1);
  EXPECT_EQ(machine.printers.size(), 5003u);
  for (int i = 0; i < 5000; ++i) {
    const std::string n = std::to_string(i), sz = "k" + n + '\0';
    ASSERT_EQ(Settings(machine, (L"Q" + std::to_wstring(i)).c_str()),
              "Quintavera:|Comment " + n + "|Floor " + n + "|" + sz + "|" + sz);
  }
  ExpectBothBack(machine, 5003);
}

// A split record with a part missing is set aside with its parts beside it; the run goes on.
TEST_F(PrinterRecord, ASplitRecordWithAPartMissingIsSetAsideWithItsParts) {
  Machine machine(true);
  machine.FailAlways("AddPrinterW", RPC_S_SERVER_UNAVAILABLE);
  Install(machine);  // none of the three back: all in the record
  auto& values = machine.registry.at(Lower(kRecordKey));
  const std::wstring part = L"printers." + std::to_wstring(values.at(L"printers").data[6]) + L".";
  const std::vector<BYTE> first = values.at(part + L"1").data;
  values.erase(part + L"2");
  machine.FailNext("AddPrinterW", 0, 0);
  machine.shiftDown = true;
  EXPECT_EQ(Install(machine), 100);
  EXPECT_EQ(LinesWith(machine, L"record"),
            std::vector<std::wstring>{L"Error(24): The printer record of an earlier run is "
                                      L"truncated: kept as 'Printers.damaged'"});
  EXPECT_EQ(values.at(L"printers.damaged.1").data, first);
  EXPECT_EQ(values.count(part + L"1"), 0u);
}

// A record the run cannot write (no memory to encode it, no key for it, or not made lasting) is
// error 18, one it cannot remove error 19, each with its reason; a printer whose settings cannot
// be set again is error 21: the run ends with 100, and the printers come back from what it holds.
TEST_F(PrinterRecord, ARecordThatCannotBeWrittenOrRemovedIsAnError) {
  const auto calls = CallsOfAnInstall();
  const auto flush = std::find(calls.begin(), calls.end(), "RegFlushKey");
  // The record's block: the last allocation before its first flush.
  const long encoding =
      std::find(std::make_reverse_iterator(flush), calls.rend(), "GlobalAlloc").base() -
      calls.begin() - 1;
  for (const char* fault : {"no memory", "no key", "not flushed", "not removed", "not restored"}) {
    SCOPED_TRACE(fault);
    Machine machine;
    const std::string why = fault;
    if (why == "no memory") machine.FailCallAfter(encoding, ERROR_NOT_ENOUGH_MEMORY);
    if (why == "no key") machine.FailAlways("RegCreateKeyExA", ERROR_ACCESS_DENIED);
    if (why == "not flushed") machine.FailNext("RegFlushKey", 1, ERROR_ACCESS_DENIED);
    if (why == "not removed") machine.FailAlways("RegDeleteKeyA", ERROR_ACCESS_DENIED);
    if (why == "not restored") machine.FailAlways("SetPrinterW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(Install(machine), 100);
    const auto log = Trimmed(SplitLines(machine.dialog.text));
    const DWORD error = why == "no memory" ? static_cast<DWORD>(E_OUTOFMEMORY) : 5;
    const std::wstring reason = L" - (System message " + std::to_wstring(error) + L".)";
    const std::wstring line =
        why == "not restored"  ? L"Error(21): Can`t restore the settings of printer '"
        : why == "not removed" ? L"Error(19): Can't remove the printer record" + reason
                               : L"Error(18): Can't write the printer record" + reason;
    EXPECT_GE(LineOf(log, line, why == "not restored"), 0);
    EXPECT_EQ(machine.printers.size(), 3u);
  }
}

// A printer of another driver parked on "file:" while the monitor is replaced stays there when the
// monitor cannot be registered again (error 11): the log names it, the record carries it, and the
// next run that registers the monitor returns it, with the product printers, or alone; one moved
// off "file:" meanwhile is left where it is, and leaves the record. A run between them without the
// monitor keeps it in the record, or, without memory to list it, keeps the record as it was (18).
TEST_F(PrinterRecord, ParkedPrintersReturnWithTheNextRunThatRegistersTheMonitor) {
  const auto park = [](Machine& machine, bool alone) {
    if (alone) machine.printers.clear();
    machine.monitors.clear();
    AddProductMonitor(machine, 2604);  // the build before the first compatible one
    machine.AddPrinter(L"Fax", L"Fax driver", L"Quintavera:");
    machine.FailNext("DeleteMonitorW", 1, ERROR_BUSY);
    machine.FailNext("AddMonitorW", 5, ERROR_BUSY);
    return Install(machine);
  };
  long namesBlock = 0;  // of a second run without the monitor: the parked printers' names' block,
  {                     // the last allocation but one before its last flush
    Machine probe;
    park(probe, true);
    probe.FailNext("AddMonitorW", 5, ERROR_BUSY);
    const auto before = static_cast<long>(probe.CalledFunctions().size());
    Install(probe);
    const auto calls = probe.CalledFunctions();
    auto at = std::find(std::find(calls.rbegin(), calls.rend(), "RegFlushKey"), calls.rend(),
                        "GlobalAlloc");
    namesBlock = calls.rend() - std::find(at + 1, calls.rend(), "GlobalAlloc") - 1 - before;
  }
  for (const int variant : {0, 1, 2}) {
    const bool alone = variant != 0, moved = variant == 2;
    SCOPED_TRACE(moved ? "moved meanwhile" : alone ? "no product printer" : "with the product's");
    Machine machine;
    EXPECT_EQ(park(machine, alone), 100);
    EXPECT_EQ(machine.FindPrinter(L"Fax")->port, L"file:");
    std::vector<std::wstring> parked = {L"Quintavera", L"Invoices", L"Fax"};  // the product's too
    if (alone) parked.erase(parked.begin(), parked.begin() + 2);
    for (std::wstring& name : parked)
      name = L"Printer '" + name + L"' stays on 'file:' until the port monitor is installed";
    EXPECT_EQ(LinesWith(machine, L"stays on"), parked);
    if (alone) {  // a run again without the monitor keeps it in the record, or keeps the record
      machine.FailNext("AddMonitorW", 5, ERROR_BUSY);
      if (moved) machine.FailCallAfter(namesBlock, ERROR_NOT_ENOUGH_MEMORY);
      EXPECT_EQ(Install(machine), 100);
      EXPECT_EQ(LinesWith(machine, moved ? L"Error(18)" : L"stays on").size(), 1u);
    }

    if (moved) machine.FindPrinter(L"Fax")->port = L"LPT1:";
    machine.shiftDown = true;  // the log window opens
    EXPECT_EQ(Install(machine), 1);
    if (moved) {
      EXPECT_EQ(LinesWith(machine, L"Fax' is"),
                std::vector<std::wstring>{L"Parked printer 'Fax' is no longer on 'file:'"});
    }
    EXPECT_EQ(machine.FindPrinter(L"Fax")->port, moved ? L"LPT1:" : L"Quintavera:");
    EXPECT_FALSE(machine.HasRegValue(kRecordKey, L"Printers"));
    if (!alone) ExpectBothBack(machine, 4);
  }
}

}  // namespace
}  // namespace qv::sim
