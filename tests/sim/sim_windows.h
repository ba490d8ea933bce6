// SimWindows: an in-memory Windows for the installer's tests.
//
// A test builds the machine, installs it with ScopedWindowsApi, runs real installer code, and
// inspects the machine afterwards. Time is virtual: Sleep, waits and polls advance `clock`, and
// scheduled events fire as it passes. Any call can be made to fail (FailNext / FailAlways).
// Blocks and handles are counted, so a scenario can end by asserting that all were released.
// Each domain's calls are implemented in a file of its own (sim_files.cpp, sim_registry.cpp...).
#pragma once

#include <algorithm>
#include <cwchar>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "os/windows_api.h"

namespace qv::sim {

std::wstring Lower(std::wstring text);

// The installer's heap blocks (heap_blocks.cpp): those of `new (std::nothrow)` not yet freed.
size_t LiveHeapBlocks();
// Makes the n-th `new (std::nothrow)` from now on fail (answer null); 0 makes none fail. Reads
// back how many are left before it (0 once it has failed).
void FailNthHeapBlock(int n);
int HeapBlocksBeforeFailure();
// Zeroed blocks with guard bytes on both sides; the release ends the binary if one was overwritten.
void* AllocateGuarded(size_t bytes);
void FreeGuarded(void* block);

// Windows' reboot queue: these values of this key.
constexpr wchar_t kSessionManagerKey[] =
    L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";
constexpr wchar_t kPendingRenames2Value[] = L"PendingFileRenameOperations2";

struct SimFile {
  std::string data;
  bool directory = false;
  bool readOnly = false;      // FILE_ATTRIBUTE_READONLY
  bool heldBySpooler = false;  // locked (no delete, no write) while the spooler runs
  uint64_t lockedUntil = 0;    // locked by someone else until this virtual time
  bool lockedForever = false;
  DWORD openRefusal = ERROR_SHARING_VIOLATION;  // how a write open of a locked file fails
};

struct RegValue {
  DWORD type = REG_SZ;
  std::vector<BYTE> data;
};

struct SimService {
  DWORD state = SERVICE_RUNNING;
  int stopPendingPolls = 0;   // queries that still see STOP_PENDING after a stop request
  int startPendingPolls = 0;  // queries that still see START_PENDING after a start
  int pendingLeft = 0;
  bool refuseStop = false;   // ControlService fails with ERROR_SERVICE_CANNOT_ACCEPT_CTRL
  bool refuseStart = false;  // StartServiceW fails and the state stays STOPPED
  int stopRequests = 0, startRequests = 0;
  std::wstring dependsOn;  // the service it depends on (lower case); empty for none
};

struct SimMonitor {
  std::wstring name, environment, dll;  // dll: a bare file name in the system directory
};

struct SimDriver {  // the files: full paths in the driver store
  std::wstring name, environment, driverPath, dataFile, configFile, helpFile;
};

struct SimPrinter {
  std::wstring name, port, driver, comment, location;
  DWORD attributes = 0;
  bool connection = false;
  int jobs = 0;
  std::map<std::pair<std::string, std::string>, RegValue> data;  // (key, value); key "" = plain
};

// The account a run has.
enum class SimAccount { kSystem, kAdministrator, kStandardUser };

// A program running, as the Restart Manager sees it: `endSession(forcedAt)` is its end-session
// request; it ends when it chooses, or is ended at `forcedAt`.
struct SimProgram {
  std::wstring path;
  std::function<void(uint64_t forcedAt)> endSession;
};

struct SimWindow {
  HWND hwnd;
  std::wstring className, title;
  DWORD session = 1;
  std::vector<UINT> posted;
  std::function<void(SimWindow&, UINT)> onPost;  // reacts to a posted message
};

struct SimMutex {
  bool held = false;       // held by a process other than the installer
  bool abandoned = false;  // its holder ended without releasing it
  bool owned = false;      // the installer has it: its wait succeeded, no ReleaseMutex since
  // The security descriptor text of the creation that made it; empty for the default one.
  std::wstring access;
  int openHandles = 0;
};

// Whether `access` (SDDL; empty: the default descriptor of an elevated administrator's or
// SYSTEM's object) grants `account` full control (sim_security.cpp).
bool GrantsFullControl(const std::wstring& access, SimAccount account);
// The descriptor an object gets from the default DACL of `account`'s token.
std::wstring DefaultAccessOf(SimAccount account);

// A private namespace of kernel objects, by "<boundary name>{<SID>,...}\<alias>".
struct SimNamespace {
  std::wstring access;  // its security descriptor (SDDL)
  int openHandles = 0;  // the namespace is found while a process has it open
};

struct SimProcessStart {
  std::wstring commandLine;
  DWORD session = 1;
};

struct SimDialog {
  bool shown = false;
  HWND owner = nullptr;
  std::wstring caption, text;  // text: control 1001's
  INT_PTR result = -1;
};

class SimWindows : public WindowsApi {
 public:
  ~SimWindows() override;

  // ---- Machine set-up and inspection -------------------------------------------------------
  uint64_t clock = 0;                                   // virtual milliseconds
  void At(uint64_t time, std::function<void()> event);  // fires once the clock reaches `time`
  void Advance(uint64_t milliseconds);

  // The next `times` calls of `function` fail with `error` (times < 0: every call).
  void FailNext(const std::string& function, int times, DWORD error) {
    faults_[function] = FaultPlan{times, error};
  }
  void FailAlways(const std::string& function, DWORD error) { FailNext(function, -1, error); }
  // A run cut short (killed, power lost): every call after the next `calls` fails and changes
  // nothing; a negative count lets every call through again.
  void CutAfter(long calls) {
    cutAfter_ = calls < 0 ? -1 : static_cast<long>(calls_.size()) + calls;
  }
  // The call `calls` from now (0: the next) fails once with `error`, whatever it is.
  void FailCallAfter(long calls, DWORD error) {
    failAt_ = static_cast<long>(calls_.size()) + calls;
    failError_ = error;
  }
  int CallCount(const std::string& function) const {
    return static_cast<int>(std::count(calls_.begin(), calls_.end(), function));
  }
  std::vector<std::string> CalledFunctions() const { return calls_; }  // so far, in order
  // Blocks (the installer's heap blocks too, since this machine was made) not yet freed.
  int LiveBlocks() const;
  int OpenHandles() const { return static_cast<int>(handles_.size()); }

  std::wstring commandLine = L"qvinstall.exe";
  std::wstring modulePath = L"C:\\setup\\drv\\qvinstall.exe";
  std::wstring systemDirectory = L"C:\\windows\\system32";
  std::wstring tempDirectory = L"C:\\windows\\temp\\";
  std::wstring driverDirectory = L"C:\\windows\\system32\\spool\\drivers\\x64";
  DWORD dllSearch = 0;  // the process's default DLL directories: none set
  bool shiftDown = false;
  bool escClosesDialog = false;       // the simulated user presses Esc instead of "Close"
  bool closeBoxClosesDialog = false;  // ... or the title bar's close box (WM_CLOSE)
  SimDialog dialog;
  DWORD majorVersion = 10;
  LANGID systemLanguage = 1033;
  std::set<LANGID> messageLanguages = {1033};  // the languages of the system's messages

  // Files, by full path (compared without regard to case).
  std::map<std::wstring, SimFile> files;
  // A file; with `build` >= 0 it carries a version resource whose fourth product-version number
  // is `build` (kept in the data, so a copy keeps it).
  SimFile& AddFile(const std::wstring& path, std::string data = "x", int32_t build = -1);
  bool FileExists(const std::wstring& path) const;
  SimFile* FindFile(const std::wstring& path);
  // A value of the reboot queue as strings (pairs of source and target).
  std::vector<std::wstring> PendingRenames(const wchar_t* value = kPendingRenamesValue) const;

  // Registry: full key path ("HKLM\\..." / "HKCU\\...", case-insensitive) -> value name -> value.
  std::map<std::wstring, std::map<std::wstring, RegValue>> registry;
  void SetRegString(const std::wstring& key, const std::wstring& name, const std::wstring& text);
  void SetRegMultiSz(const std::wstring& key, const std::wstring& name,
                     const std::vector<std::wstring>& strings);
  bool HasRegValue(const std::wstring& key, const std::wstring& name) const;

  // The "spooler" service.
  SimService spoolerService;
  bool SpoolerRunning() const { return spoolerService.state == SERVICE_RUNNING; }
  // Other services, by lower-case name.
  std::map<std::wstring, SimService> otherServices;
  SimService& AddSpoolerDependent(const std::wstring& name, DWORD state = SERVICE_RUNNING);

  // Print spooler.
  std::vector<SimMonitor> monitors;
  std::vector<SimDriver> drivers;
  std::vector<SimPrinter> printers;
  std::wstring defaultPrinter;  // the user's default printer; empty: none
  // The printer event of a new printer's driver, called inside AddPrinterW as Windows does.
  std::function<void(SimPrinter&)> onPrinterAdded;
  SimPrinter* FindPrinter(const std::wstring& name);
  SimPrinter* PrinterOf(HANDLE printer);  // the printer an open handle names, if it still exists
  SimPrinter& AddPrinter(const std::wstring& name, const std::wstring& driver,
                         const std::wstring& port);
  const SimDriver* FindDriver(const std::wstring& name, const std::wstring& environment) const;
  bool MonitorRegistered(const std::wstring& name) const;
  // DLLs of deleted monitors that the running spooler still has loaded (paths); it lets go of
  // them when it stops, unless a registered monitor still uses them.
  std::set<std::wstring> deletedMonitorDlls;
  void UnloadDeletedMonitors();

  // Windows, mutexes and processes.
  std::vector<SimWindow> windows;
  SimWindow& AddWindow(const std::wstring& className, const std::wstring& title);
  void RemoveWindow(HWND hwnd);
  // Mutexes by name; one in a private namespace by "<namespace key>\\<name>".
  std::map<std::string, SimMutex> mutexes;
  std::map<std::string, SimNamespace> namespaces;
  std::vector<SimProcessStart> processStarts;  // every CreateProcessW call, started or not
  std::function<void(const SimProcessStart&)> onProcessStart;  // called for each process started

  // Accounts and sessions (sim_sessions.cpp).
  SimAccount account = SimAccount::kAdministrator;
  DWORD sessionId = 1;                   // the run's session; 0 is the services' session
  // The sessions besides session 0, by id: a person's while active or disconnected.
  std::map<DWORD, WTS_CONNECTSTATE_CLASS> sessions;
  std::map<DWORD, SimProgram> programs;  // by process id
  // A kernel object's name in `session`'s namespace: "Global\" names are machine-wide.
  static std::string ObjectName(const std::string& name, DWORD session);

  // ---- WindowsApi ------------------------------------------------------------------------------
  // Signatures as in os/windows_api.h.
  BOOL SetDefaultDllDirectories(DWORD) override;
  DWORD GetLastError() override;
  void SetLastError(DWORD) override;
  DWORD FormatMessageW(DWORD, LPCVOID, DWORD, DWORD, LPWSTR, DWORD, va_list*) override;
  HLOCAL LocalFree(HLOCAL) override;
  LANGID GetSystemDefaultLangID() override;
  HGLOBAL GlobalAlloc(UINT, SIZE_T) override;
  HGLOBAL GlobalFree(HGLOBAL) override;
  int MultiByteToWideChar(UINT, DWORD, LPCCH, int, LPWSTR, int) override;
  int WideCharToMultiByte(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL) override;
  void Sleep(DWORD) override;
  DWORD GetTickCount() override;
  DWORD WaitForSingleObject(HANDLE, DWORD) override;
  LPWSTR GetCommandLineW() override;
  LPWSTR* CommandLineToArgvW(LPCWSTR, int*) override;
  DWORD GetModuleFileNameW(HMODULE, LPWSTR, DWORD) override;
  UINT GetSystemDirectoryW(LPWSTR, UINT) override;
  BOOL GetVersionExA(LPOSVERSIONINFOA) override;
  BOOL CreateProcessW(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                      LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION) override;
  HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR) override;
  BOOL ReleaseMutex(HANDLE) override;
  BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR, DWORD, PSECURITY_DESCRIPTOR*,
                                                            PULONG) override;
  BOOL CloseHandle(HANDLE) override;
  HANDLE CreateBoundaryDescriptorW(LPCWSTR, ULONG) override;
  BOOL AddSIDToBoundaryDescriptor(HANDLE*, PSID) override;
  void DeleteBoundaryDescriptor(HANDLE) override;
  HANDLE CreatePrivateNamespaceW(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR) override;
  HANDLE OpenPrivateNamespaceW(LPVOID, LPCWSTR) override;
  BOOLEAN ClosePrivateNamespace(HANDLE, ULONG) override;
  BOOL CreateWellKnownSid(WELL_KNOWN_SID_TYPE, PSID, PSID, DWORD*) override;
  HANDLE CreateFileW(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) override;
  BOOL ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) override;
  BOOL WriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) override;
  BOOL DeleteFileW(LPCWSTR) override;
  BOOL MoveFileExW(LPCWSTR, LPCWSTR, DWORD) override;
  DWORD GetFileAttributesW(LPCWSTR) override;
  DWORD GetTempPath2W(DWORD, LPWSTR) override;
  DWORD GetFileVersionInfoSizeW(LPCWSTR, LPDWORD) override;
  BOOL GetFileVersionInfoW(LPCWSTR, DWORD, DWORD, LPVOID) override;
  BOOL VerQueryValueW(LPCVOID, LPCWSTR, LPVOID*, PUINT) override;
  LSTATUS RegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM, PHKEY) override;
  LSTATUS RegQueryValueExW(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) override;
  LSTATUS RegSetValueExW(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD) override;
  LSTATUS RegDeleteValueA(HKEY, LPCSTR) override;
  LSTATUS RegCreateKeyExA(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                          LPDWORD) override;
  LSTATUS RegFlushKey(HKEY) override;
  LSTATUS RegDeleteKeyA(HKEY, LPCSTR) override;
  LSTATUS RegCloseKey(HKEY) override;
  SC_HANDLE OpenSCManagerW(LPCWSTR, LPCWSTR, DWORD) override;
  SC_HANDLE OpenServiceW(SC_HANDLE, LPCWSTR, DWORD) override;
  BOOL ControlService(SC_HANDLE, DWORD, LPSERVICE_STATUS) override;
  BOOL QueryServiceStatus(SC_HANDLE, LPSERVICE_STATUS) override;
  BOOL StartServiceW(SC_HANDLE, DWORD, LPCWSTR*) override;
  BOOL EnumDependentServicesW(SC_HANDLE, DWORD, LPENUM_SERVICE_STATUSW, DWORD, LPDWORD,
                              LPDWORD) override;
  BOOL CloseServiceHandle(SC_HANDLE) override;
  BOOL CheckTokenMembership(HANDLE, PSID, PBOOL) override;
  DWORD GetCurrentProcessId() override;
  BOOL ProcessIdToSessionId(DWORD, DWORD*) override;
  BOOL WTSEnumerateSessionsW(HANDLE, DWORD, DWORD, PWTS_SESSION_INFOW*, DWORD*) override;
  void WTSFreeMemory(PVOID) override;
  BOOL WTSQueryUserToken(ULONG, PHANDLE) override;
  BOOL CreateEnvironmentBlock(LPVOID*, HANDLE, BOOL) override;
  BOOL DestroyEnvironmentBlock(LPVOID) override;
  BOOL CreateProcessAsUserW(HANDLE, LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                            BOOL, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                            LPPROCESS_INFORMATION) override;
  DWORD RmStartSession(DWORD*, DWORD, WCHAR*) override;
  DWORD RmRegisterResources(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT,
                            LPCWSTR*) override;
  DWORD RmShutdown(DWORD, ULONG, RM_WRITE_STATUS_CALLBACK) override;
  DWORD RmEndSession(DWORD) override;
  BOOL IsWindow(HWND) override;
  HWND FindWindowW(LPCWSTR, LPCWSTR) override;
  BOOL PostMessageW(HWND, UINT, WPARAM, LPARAM) override;
  SHORT GetAsyncKeyState(int) override;
  INT_PTR DialogBoxParamW(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM) override;
  BOOL SetDlgItemTextW(HWND, int, LPCWSTR) override;
  BOOL SetWindowTextW(HWND, LPCWSTR) override;
  BOOL EndDialog(HWND, INT_PTR) override;
  BOOL EnumMonitorsW(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD) override;
  BOOL AddMonitorW(LPWSTR, DWORD, LPBYTE) override;
  BOOL DeleteMonitorW(LPWSTR, LPWSTR, LPWSTR) override;
  BOOL GetPrinterDriverDirectoryW(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD) override;
  BOOL AddPrinterDriverExW(LPWSTR, DWORD, LPBYTE, DWORD) override;
  BOOL DeletePrinterDriverExW(LPWSTR, LPWSTR, LPWSTR, DWORD, DWORD) override;
  BOOL EnumPrinterDriversW(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD) override;
  BOOL GetPrinterDriverW(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD) override;
  BOOL EnumPrintersW(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD) override;
  BOOL OpenPrinterW(LPWSTR, LPHANDLE, LPPRINTER_DEFAULTSW) override;
  BOOL GetPrinterW(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD) override;
  BOOL SetPrinterW(HANDLE, DWORD, LPBYTE, DWORD) override;
  HANDLE AddPrinterW(LPWSTR, DWORD, LPBYTE) override;
  BOOL DeletePrinter(HANDLE) override;
  BOOL ClosePrinter(HANDLE) override;
  DWORD GetPrinterDataA(HANDLE, LPSTR, LPDWORD, LPBYTE, DWORD, LPDWORD) override;
  DWORD GetPrinterDataExA(HANDLE, LPCSTR, LPCSTR, LPDWORD, LPBYTE, DWORD, LPDWORD) override;
  DWORD SetPrinterDataA(HANDLE, LPSTR, DWORD, LPBYTE, DWORD) override;
  DWORD SetPrinterDataExA(HANDLE, LPCSTR, LPCSTR, DWORD, LPBYTE, DWORD) override;
  BOOL GetDefaultPrinterW(LPWSTR, LPDWORD) override;
  BOOL SetDefaultPrinterW(LPCWSTR) override;

  // ---- For the domain files ------------------------------------------------------------------
  enum class HandleKind {
    kFile, kMutex, kProcess, kServiceManager, kService, kRegKey, kPrinter, kBoundary, kNamespace,
    kToken, kRmSession
  };
  struct HandleEntry {
    HandleKind kind;
    std::wstring name;       // file path, mutex name, registry key path, printer name
    uint64_t position = 0;   // file read position
    ACCESS_MASK access = 0;  // the rights granted
  };
  HANDLE NewHandle(HandleKind kind, std::wstring name = L"", ACCESS_MASK access = 0);
  HandleEntry* FindHandle(const void* handle, HandleKind kind);
  // The entry of `handle` if it is of the kind of `function`'s access rule and holds the rights
  // Windows documents for it; else null with ERROR_INVALID_HANDLE or ERROR_ACCESS_DENIED set.
  HandleEntry* Checked(const void* handle, const char* function);
  // Closes a handle of one of `kinds`; false (ERROR_INVALID_HANDLE) for any other handle.
  bool CloseOf(const void* handle, std::initializer_list<HandleKind> kinds);
  // Counts the call and applies a pending fault (setting the last error); true: fail now.
  bool Fault(const char* function);
  // Sets the last error and returns `result`: how a failing call ends.
  template <typename T = BOOL>
  T Fail(DWORD error, T result = FALSE) {
    lastError_ = error;
    return result;
  }
  HLOCAL NewLocalBlock(SIZE_T bytes);
  // The key of a mutex `name`: itself, or in the private namespace its alias prefix names and
  // this process has open (empty when it has none of that alias).
  std::string MutexKey(const std::string& name);
  SimService* ServiceNamed(const std::wstring& name);
  void RunningDependents(const std::wstring& name, std::vector<std::wstring>& out);
  BOOL StartNamedService(const std::wstring& name);
  // Records a process start and gives it its handles; false when its program file is missing.
  BOOL StartProcess(const SimProcessStart& start, LPPROCESS_INFORMATION processInfo);

 private:
  DWORD lastError_ = 0;
  struct FaultPlan {
    int times;
    DWORD error;
  };
  std::map<std::string, FaultPlan> faults_;
  long cutAfter_ = -1;
  long failAt_ = -1;
  DWORD failError_ = 0;
  std::vector<std::string> calls_;
  std::set<void*> blocks_;
  size_t heapBlocksAtStart_ = LiveHeapBlocks();
  std::map<uintptr_t, HandleEntry> handles_;
  uintptr_t nextHandle_ = 0x1000;
  std::multimap<uint64_t, std::function<void()>> events_;
  std::vector<wchar_t> commandLineCopy_;
  std::set<std::wstring> restartManagerFiles_;  // of the Restart Manager session open
};

// The thread's last error, put back when a call ends that answers its error instead of setting
// it: the registry's ("If the function fails, the return value is a nonzero error code defined in
// Winerror.h"), the printer data calls' ("the return value is an error value") and the Restart
// Manager's.
struct LastErrorKept {
  explicit LastErrorKept(SimWindows& machine) : sim(machine), error(machine.GetLastError()) {}
  ~LastErrorKept() { sim.SetLastError(error); }
  SimWindows& sim;
  const DWORD error;
};

// Writes a text call's answer into its buffer of `size` characters as Windows may: `text` and its
// NUL when they fit (when `cut`, its first size - 1 characters and a NUL otherwise), and every
// character after them too, since the calls promise nothing of the rest: a program that reads
// past the NUL or after a failed call, or tells more than its buffer holds, is seen.
inline void FillTold(wchar_t* buffer, size_t size, const std::wstring& text, bool cut = false) {
  if (size == 0) return;
  const bool fits = text.size() < size;
  std::fill(buffer, buffer + size, L'#');
  if (!fits && !cut) return;
  const size_t length = fits ? text.size() : size - 1;
  std::wmemcpy(buffer, text.c_str(), length);
  buffer[length] = L'\0';
}

}  // namespace qv::sim
