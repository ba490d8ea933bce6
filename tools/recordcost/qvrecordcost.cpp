// qvrecordcost: what the installer's printer record costs in the registry of this machine, and
// what its machine-wide mutex costs a run.
//
//   qvrecordcost.exe
//
// Repeats the record's registry step as a reinstall makes it, on a key of its own beside the
// product's: the look-up that finds no record, the write of a record of two printers with its
// flush, and the removal; then the installer mutex as a run takes it (a mutex of its own with the
// same rights: made, waited for, released, closed). Prints the mean of each in milliseconds; exit
// code 0, or 1 when a call failed.
#include <windows.h>
#include <sddl.h>

#include <cstdio>

namespace {

constexpr char kKey[] = "SOFTWARE\\Orbelin\\QuintaveraRecordCost";
constexpr wchar_t kValue[] = L"Printers";
constexpr int kRounds = 200;
constexpr DWORD kRecordBytes = 240;  // two printers with comment, location and "SubKey"

double Now() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool LookUp() {
  HKEY key = nullptr;
  const LSTATUS status = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key);
  if (status == ERROR_SUCCESS) ::RegCloseKey(key);
  return status == ERROR_FILE_NOT_FOUND;
}

bool WriteAndFlush(const BYTE* record) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool written =
      ::RegSetValueExW(key, kValue, 0, REG_BINARY, record, kRecordBytes) == ERROR_SUCCESS &&
      ::RegFlushKey(key) == ERROR_SUCCESS;
  ::RegCloseKey(key);
  return written;
}

bool Remove() { return ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey) == ERROR_SUCCESS; }

bool TakeAndReleaseMutex() {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
          L"D:P(A;;GA;;;SY)(A;;GA;;;BA)", SDDL_REVISION_1, &descriptor, nullptr)) {
    return false;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
  HANDLE mutex = ::CreateMutexA(&attributes, FALSE, "Global\\QuintaveraInstallerCost");
  ::LocalFree(descriptor);
  const bool taken = mutex && ::WaitForSingleObject(mutex, 300000) == WAIT_OBJECT_0 &&
                     ::ReleaseMutex(mutex);
  if (mutex) ::CloseHandle(mutex);
  return taken;
}

}  // namespace

int main() {
  BYTE record[kRecordBytes] = {'Q', 'V', 'P', 'R'};
  double lookUp = 0, write = 0, removal = 0;
  bool ok = true;
  for (int round = 0; round < kRounds && ok; ++round) {
    const double start = Now();
    ok = LookUp();
    const double looked = Now();
    ok = ok && WriteAndFlush(record);
    const double written = Now();
    ok = ok && Remove();
    lookUp += looked - start;
    write += written - looked;
    removal += Now() - written;
  }
  double mutex = 0;
  for (int round = 0; round < kRounds && ok; ++round) {
    const double start = Now();
    ok = TakeAndReleaseMutex();
    mutex += Now() - start;
  }
  if (!ok) {
    std::printf("qvrecordcost: a call failed (error %lu)\n", ::GetLastError());
    return 1;
  }
  std::printf(
      "printer record step (mean of %d): look-up %.3f ms, write and flush %.3f ms, "
      "removal %.3f ms\n",
      kRounds, lookUp / kRounds, write / kRounds, removal / kRounds);
  std::printf("installer mutex (mean of %d): taken and released %.3f ms\n", kRounds,
              mutex / kRounds);
  return 0;
}
