// SimWindows: an in-memory Windows for the installer's tests.
//
// A test builds the machine, installs it with ScopedWindowsApi, runs real installer code, and
// inspects the machine afterwards. Time is virtual: Sleep, waits and polls advance `clock`, and
// scheduled events fire as it passes. Any call can be made to fail (FailNext / FailAlways).
// Blocks and handles are counted, so a scenario can end by asserting that all were released.
// Each domain's calls are implemented in a file of its own (sim_files.cpp, sim_registry.cpp...).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "heap_blocks.h"
#include "os/windows_api.h"

namespace qv::sim {

std::wstring Lower(const std::wstring& text);

// Windows' reboot queue: these values of this key.
constexpr wchar_t kSessionManagerKey[] =
    L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";
constexpr wchar_t kPendingRenames2Value[] = L"PendingFileRenameOperations2";

struct SimFile {
  std::string data;
  bool directory = false;
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
  int stopRequests = 0;
  int startRequests = 0;
};

struct SimMonitor {
  std::wstring name;
  std::wstring environment;
  std::wstring dll;  // bare file name in the system directory
};

struct SimDriver {
  std::wstring name;
  std::wstring environment;
  std::wstring driverPath, dataFile, configFile, helpFile;  // full paths in the driver store
};

struct SimPrinter {
  std::wstring name;
  std::wstring port;
  std::wstring driver;
  std::wstring comment;
  std::wstring location;
  DWORD attributes = 0;
  bool connection = false;
  int jobs = 0;
  std::map<std::pair<std::string, std::string>, RegValue> data;  // (key, value); key "" = plain
};

struct SimWindow {
  HWND hwnd;
  std::wstring className;
  std::wstring title;
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

struct SimProcessStart {
  std::wstring commandLine;
};

struct SimDialog {
  bool shown = false;
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring text;  // control 1001
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
  void FailNext(const std::string& function, int times, DWORD error);
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
  int CallCount(const std::string& function) const;
  std::vector<std::string> CalledFunctions() const;  // every function called so far, in order
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
  bool escClosesDialog = false;  // the simulated user presses Esc instead of "Close"
  bool closeBoxClosesDialog = false;  // ... or the title bar's close box (WM_CLOSE)
  SimDialog dialog;
  DWORD majorVersion = 10;

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
  std::wstring RegString(const std::wstring& key, const std::wstring& name) const;

  // The "spooler" service.
  SimService spoolerService;
  bool SpoolerRunning() const { return spoolerService.state == SERVICE_RUNNING; }

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
  std::map<std::string, SimMutex> mutexes;
  std::vector<SimProcessStart> processStarts;  // every CreateProcessW call, started or not
  std::function<void(const SimProcessStart&)> onProcessStart;  // called for each process started

  // ---- WindowsApi ------------------------------------------------------------------------------
  BOOL SetDefaultDllDirectories(DWORD flags) override;
  DWORD GetLastError() override;
  void SetLastError(DWORD error) override;
  DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                       LPWSTR buffer, DWORD size, va_list* arguments) override;
  HLOCAL LocalFree(HLOCAL mem) override;
  HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) override;
  HGLOBAL GlobalFree(HGLOBAL mem) override;
  int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multiByte, int multiByteLength,
                          LPWSTR wide, int wideLength) override;
  int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideLength, LPSTR multiByte,
                          int multiByteLength, LPCCH defaultChar, LPBOOL usedDefaultChar) override;
  void Sleep(DWORD milliseconds) override;
  DWORD GetTickCount() override;
  DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
  LPWSTR GetCommandLineW() override;
  LPWSTR* CommandLineToArgvW(LPCWSTR commandLine, int* count) override;
  DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) override;
  UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) override;
  BOOL GetVersionExA(LPOSVERSIONINFOA info) override;
  BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                      LPSECURITY_ATTRIBUTES processAttributes,
                      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                      DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                      LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInfo) override;
  HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) override;
  BOOL ReleaseMutex(HANDLE mutex) override;
  BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR text, DWORD revision,
                                                            PSECURITY_DESCRIPTOR* descriptor,
                                                            PULONG size) override;
  BOOL CloseHandle(HANDLE handle) override;
  HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode,
                     LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags,
                     HANDLE templateFile) override;
  BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                LPOVERLAPPED overlapped) override;
  BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                 LPOVERLAPPED overlapped) override;
  BOOL DeleteFileW(LPCWSTR fileName) override;
  BOOL MoveFileExW(LPCWSTR existing, LPCWSTR newName, DWORD flags) override;
  DWORD GetFileAttributesW(LPCWSTR fileName) override;
  DWORD GetTempPathW(DWORD size, LPWSTR buffer) override;
  DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) override;
  BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD size, LPVOID data) override;
  BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) override;
  LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                        PHKEY result) override;
  LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                           LPDWORD size) override;
  LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                         DWORD size) override;
  LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) override;
  LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options,
                          REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                          LPDWORD disposition) override;
  LSTATUS RegFlushKey(HKEY key) override;
  LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) override;
  LSTATUS RegCloseKey(HKEY key) override;
  SC_HANDLE OpenSCManagerW(LPCWSTR machine, LPCWSTR database, DWORD access) override;
  SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR serviceName, DWORD access) override;
  BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) override;
  BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) override;
  BOOL StartServiceW(SC_HANDLE service, DWORD argc, LPCWSTR* argv) override;
  BOOL CloseServiceHandle(SC_HANDLE handle) override;
  BOOL IsWindow(HWND window) override;
  HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) override;
  BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  SHORT GetAsyncKeyState(int key) override;
  INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC dialogProc,
                          LPARAM initParam) override;
  BOOL SetDlgItemTextW(HWND dialog, int itemId, LPCWSTR text) override;
  BOOL SetWindowTextW(HWND window, LPCWSTR text) override;
  BOOL EndDialog(HWND dialog, INT_PTR result) override;
  BOOL EnumMonitorsW(LPWSTR name, DWORD level, LPBYTE monitors, DWORD size, LPDWORD needed,
                     LPDWORD returned) override;
  BOOL AddMonitorW(LPWSTR name, DWORD level, LPBYTE monitors) override;
  BOOL DeleteMonitorW(LPWSTR name, LPWSTR environment, LPWSTR monitorName) override;
  BOOL GetPrinterDriverDirectoryW(LPWSTR name, LPWSTR environment, DWORD level, LPBYTE info,
                                  DWORD size, LPDWORD needed) override;
  BOOL AddPrinterDriverExW(LPWSTR name, DWORD level, LPBYTE info, DWORD copyFlags) override;
  BOOL DeletePrinterDriverExW(LPWSTR name, LPWSTR environment, LPWSTR driverName, DWORD deleteFlag,
                              DWORD versionFlag) override;
  BOOL EnumPrinterDriversW(LPWSTR name, LPWSTR environment, DWORD level, LPBYTE info, DWORD size,
                           LPDWORD needed, LPDWORD returned) override;
  BOOL GetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, LPBYTE info, DWORD size,
                         LPDWORD needed) override;
  BOOL EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE info, DWORD size, LPDWORD needed,
                     LPDWORD returned) override;
  BOOL OpenPrinterW(LPWSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) override;
  BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD size, LPDWORD needed) override;
  BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command) override;
  HANDLE AddPrinterW(LPWSTR name, DWORD level, LPBYTE info) override;
  BOOL DeletePrinter(HANDLE printer) override;
  BOOL ClosePrinter(HANDLE printer) override;
  DWORD GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data, DWORD size,
                        LPDWORD needed) override;
  DWORD GetPrinterDataExA(HANDLE printer, LPCSTR keyName, LPCSTR valueName, LPDWORD type,
                          LPBYTE data, DWORD size, LPDWORD needed) override;
  DWORD SetPrinterDataA(HANDLE printer, LPSTR valueName, DWORD type, LPBYTE data,
                        DWORD size) override;
  DWORD SetPrinterDataExA(HANDLE printer, LPCSTR keyName, LPCSTR valueName, DWORD type, LPBYTE data,
                          DWORD size) override;
  BOOL GetDefaultPrinterW(LPWSTR buffer, LPDWORD size) override;
  BOOL SetDefaultPrinterW(LPCWSTR printer) override;

  // ---- For the domain files ------------------------------------------------------------------
  enum class HandleKind { kFile, kMutex, kProcess, kServiceManager, kService, kRegKey, kPrinter };
  struct HandleEntry {
    HandleKind kind;
    std::wstring name;      // file path, mutex name, registry key path, printer name
    uint64_t position = 0;  // file read position
    bool write = false;
    ACCESS_MASK access = 0;  // the rights granted (registry keys, printers, services)
  };
  HANDLE NewHandle(HandleKind kind, std::wstring name = L"", ACCESS_MASK access = 0);
  HandleEntry* FindHandle(const void* handle, HandleKind kind);
  // Whether `handle` holds the rights Windows documents for `function` (sim_access.h); false
  // sets ERROR_ACCESS_DENIED. A handle that is not of the rule's kind is left to the call.
  bool Permits(const void* handle, const char* function);
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
  void RunDueEvents();

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
};

}  // namespace qv::sim
