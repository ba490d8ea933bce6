// qvseed: prepares the Wine machine for a scenario the way a user of the product would have.
//
//   qvseed.exe printer <name> <comment> <location> <subkey> plain|dsuser [default]
//   qvseed.exe printers <count>
//   qvseed.exe person <name> <comment> <location> [default]
//   qvseed.exe event <name>
//   qvseed.exe spooler-start <type>
//
// "printer" adds a product printer on "Quintavera:" with the driver "Quintavera printer", its
// comment and location, the printer data "SubKey" (plain, or under the key "DsUser"), the value
// "deleted" in the product's per-user key for that SubKey, and optionally makes it the default
// printer. "person" adds a product printer the way a person does in Windows' printer settings
// (a name, a comment and a location typed in, optionally the default printer); "event" sends the
// printer event that Windows' spooler sends for a new printer and Wine's does not ("person" sends
// it too). Exit code 0 when everything was done, 1 otherwise. (Wine 8 renames no printer:
// SetPrinterW with a new name leaves one that cannot be opened, so a person's name is given here.)
// "printers" adds <count> such printers in one run, "Quintavera 1" to "Quintavera <count>", each
// with a comment, a location and a plain "SubKey" of its own (for the benchmark of a print server).
// "spooler-start" sets the spooler's start type (4 disabled, 3 on demand) through the service
// manager, which holds to it at once, without the machine's restart a registry change needs.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>

#include "printer_event.h"
#include "spooler_handles.h"

namespace {

const wchar_t kPort[] = L"Quintavera:";
const wchar_t kDriver[] = L"Quintavera printer";
const wchar_t kUserKey[] = L"Software\\Orbelin\\Quintavera\\Quintaveras\\";

struct SeedPrinter {
  std::wstring name, comment, location, subKey;
  bool dsUser = false;
  bool makeDefault = false;
};

// Adds the printer with a data type, so that Wine hands back its handle.
HANDLE AddSeedPrinter(SeedPrinter& seed) {
  std::wstring port = kPort, driver = kDriver, processor = L"WinPrint", datatype = L"RAW";
  PRINTER_INFO_2W info = {};
  info.pPrinterName = &seed.name[0];
  info.pPortName = &port[0];
  info.pDriverName = &driver[0];
  info.pPrintProcessor = &processor[0];
  info.pDatatype = &datatype[0];
  info.pComment = &seed.comment[0];
  info.pLocation = &seed.location[0];
  return ::AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
}

bool SetSubKey(HANDLE printer, const SeedPrinter& seed) {
  const auto* data = reinterpret_cast<const BYTE*>(seed.subKey.c_str());
  const DWORD bytes = static_cast<DWORD>((seed.subKey.size() + 1) * sizeof(wchar_t));
  wchar_t value[] = L"SubKey";
  if (seed.dsUser) {
    return ::SetPrinterDataExW(printer, L"DsUser", value, REG_SZ, const_cast<BYTE*>(data),
                               bytes) == ERROR_SUCCESS;
  }
  return ::SetPrinterDataW(printer, value, REG_SZ, const_cast<BYTE*>(data), bytes) ==
         ERROR_SUCCESS;
}

bool MarkUserKeyDeleted(const std::wstring& subKey) {
  qvtools::UniqueKey key;
  const std::wstring path = kUserKey + subKey;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.Receive(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD one = 1;
  return ::RegSetValueExW(key.Get(), L"deleted", 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&one), sizeof(one)) == ERROR_SUCCESS;
}

bool MakeDefault(const std::wstring& name) {
  if (::SetDefaultPrinterW(name.c_str())) return true;
  std::fprintf(stderr, "qvseed: SetDefaultPrinterW failed (error %lu)\n", ::GetLastError());
  return false;
}

bool Seed(SeedPrinter& seed) {
  qvtools::UniquePrinter printer(AddSeedPrinter(seed));
  if (!printer.Get()) {
    std::fprintf(stderr, "qvseed: AddPrinterW failed (error %lu)\n", ::GetLastError());
    return false;
  }
  if (!SetSubKey(printer.Get(), seed)) {
    std::fprintf(stderr, "qvseed: cannot set SubKey\n");
    return false;
  }
  if (!MarkUserKeyDeleted(seed.subKey)) {
    std::fprintf(stderr, "qvseed: cannot write the per-user key\n");
    return false;
  }
  return !seed.makeDefault || MakeDefault(seed.name);
}

// Added in the printer settings: no data of its own until the spooler's event gives it some.
bool AddAsPerson(SeedPrinter& seed) {
  qvtools::UniquePrinter printer(AddSeedPrinter(seed));
  if (!printer.Get()) {
    std::fprintf(stderr, "qvseed: AddPrinterW failed (error %lu)\n", ::GetLastError());
    return false;
  }
  return qvseed::SendInitializeEvent(&seed.name[0]) &&
         (!seed.makeDefault || MakeDefault(seed.name));
}

struct ServiceHandleCloser {
  void operator()(SC_HANDLE handle) const { ::CloseServiceHandle(handle); }
};
using ServiceHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ServiceHandleCloser>;

bool SetSpoolerStartType(DWORD type) {
  const ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  const ServiceHandle spooler(
      manager ? ::OpenServiceW(manager.get(), L"spooler", SERVICE_CHANGE_CONFIG) : nullptr);
  if (spooler &&
      ::ChangeServiceConfigW(spooler.get(), SERVICE_NO_CHANGE, type, SERVICE_NO_CHANGE, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
    return true;
  }
  std::fprintf(stderr, "qvseed: the spooler's start type stays (error %lu)\n", ::GetLastError());
  return false;
}

bool SeedMany(int count) {
  for (int i = 1; i <= count; ++i) {
    const std::wstring n = std::to_wstring(i);
    SeedPrinter seed{L"Quintavera " + n, L"Print server queue " + n, L"Building 1, room " + n,
                     L"queue" + n};
    if (!Seed(seed)) return false;
  }
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: qvseed.exe printer <name> <comment> <location> <subkey> plain|dsuser "
               "[default]\n       qvseed.exe printers <count>\n       qvseed.exe person <name> "
               "<comment> <location> [default]\n"
               "       qvseed.exe event <name>\n       qvseed.exe spooler-start <type>\n");
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring word = argc > 2 ? argv[1] : L"";
  if (word == L"event" && argc == 3) return qvseed::SendInitializeEvent(argv[2]) ? 0 : 1;
  if (word == L"spooler-start" && argc == 3) return SetSpoolerStartType(_wtoi(argv[2])) ? 0 : 1;
  if (word == L"printers" && argc == 3) return SeedMany(_wtoi(argv[2])) ? 0 : 1;
  SeedPrinter seed;
  if (word == L"person" && argc >= 5) {
    seed.name = argv[2];
    seed.comment = argv[3];
    seed.location = argv[4];
    seed.makeDefault = argc > 5 && std::wstring(argv[5]) == L"default";
    return AddAsPerson(seed) ? 0 : 1;
  }
  if (word != L"printer" || argc < 7) return Usage();
  seed.name = argv[2];
  seed.comment = argv[3];
  seed.location = argv[4];
  seed.subKey = argv[5];
  seed.dsUser = std::wstring(argv[6]) == L"dsuser";
  seed.makeDefault = argc > 7 && std::wstring(argv[7]) == L"default";
  return Seed(seed) ? 0 : 1;
}
