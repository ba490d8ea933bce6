// The seam between the installer and Windows.
//
// Every Windows call the installer makes goes through WindowsApi. Methods carry the names and
// signatures of the Windows functions they stand for, so call sites read as plain Win32:
//
//   if (!Os().DeleteFileW(path)) AddFileName(ctx.pendingDeletes, path);
//
// The process uses the real implementation (real_windows_api.cpp), which forwards to Windows and
// binds the DLLs that are not Known DLLs (winspool.drv, version.dll, wtsapi32.dll, userenv.dll,
// rstrtmgr.dll) from the system directory only. Tests install a simulated Windows for their scope
// with ScopedWindowsApi.
//
// Adding a call: declare it here with its Windows signature, forward it in real_windows_api.cpp,
// and give the simulated Windows (tests/sim) its behaviour.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <winsvc.h>
#include <restartmanager.h>
#include <wtsapi32.h>

namespace qv {

class WindowsApi {
 public:
  virtual ~WindowsApi() = default;

  // Loader.
  virtual BOOL SetDefaultDllDirectories(DWORD flags) = 0;

  // Errors and memory.
  virtual DWORD GetLastError() = 0;
  virtual void SetLastError(DWORD error) = 0;
  virtual DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                               LPWSTR buffer, DWORD size, va_list* arguments) = 0;
  virtual HLOCAL LocalFree(HLOCAL mem) = 0;
  virtual LANGID GetSystemDefaultLangID() = 0;
  virtual HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) = 0;
  virtual HGLOBAL GlobalFree(HGLOBAL mem) = 0;
  virtual int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multiByte, int multiByteLength,
                                  LPWSTR wide, int wideLength) = 0;
  virtual int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideLength,
                                  LPSTR multiByte, int multiByteLength, LPCCH defaultChar,
                                  LPBOOL usedDefaultChar) = 0;

  // Time and waiting.
  virtual void Sleep(DWORD milliseconds) = 0;
  virtual DWORD GetTickCount() = 0;
  virtual DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) = 0;

  // Process, modules, system.
  virtual LPWSTR GetCommandLineW() = 0;
  virtual LPWSTR* CommandLineToArgvW(LPCWSTR commandLine, int* count) = 0;
  virtual DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) = 0;
  virtual UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) = 0;
  virtual BOOL GetVersionExA(LPOSVERSIONINFOA info) = 0;
  virtual BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                              LPSECURITY_ATTRIBUTES processAttributes,
                              LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                              DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                              LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInfo) = 0;
  virtual HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) = 0;
  virtual BOOL ReleaseMutex(HANDLE mutex) = 0;
  virtual BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(
      LPCWSTR text, DWORD revision, PSECURITY_DESCRIPTOR* descriptor, PULONG size) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;

  // Private namespaces of kernel objects (kernel32) and well-known groups (advapi32).
  virtual HANDLE CreateBoundaryDescriptorW(LPCWSTR name, ULONG flags) = 0;
  virtual BOOL AddSIDToBoundaryDescriptor(HANDLE* boundary, PSID requiredSid) = 0;
  virtual void DeleteBoundaryDescriptor(HANDLE boundary) = 0;
  virtual HANDLE CreatePrivateNamespaceW(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary,
                                         LPCWSTR aliasPrefix) = 0;
  virtual HANDLE OpenPrivateNamespaceW(LPVOID boundary, LPCWSTR aliasPrefix) = 0;
  virtual BOOLEAN ClosePrivateNamespace(HANDLE handle, ULONG flags) = 0;
  virtual BOOL CreateWellKnownSid(WELL_KNOWN_SID_TYPE type, PSID domainSid, PSID sid,
                                  DWORD* size) = 0;

  // Files.
  virtual HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode,
                             LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags,
                             HANDLE templateFile) = 0;
  virtual BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                        LPOVERLAPPED overlapped) = 0;
  virtual BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                         LPOVERLAPPED overlapped) = 0;
  virtual BOOL DeleteFileW(LPCWSTR fileName) = 0;
  virtual BOOL MoveFileExW(LPCWSTR existing, LPCWSTR newName, DWORD flags) = 0;
  virtual DWORD GetFileAttributesW(LPCWSTR fileName) = 0;
  // GetTempPath2W where kernel32 has it (SYSTEM's folder is C:\Windows\SystemTemp, closed to other
  // accounts; every other account gets GetTempPathW's), else GetTempPathW.
  virtual DWORD GetTempPath2W(DWORD size, LPWSTR buffer) = 0;

  // Version resources (version.dll).
  virtual DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) = 0;
  virtual BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD size, LPVOID data) = 0;
  virtual BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) = 0;

  // Registry.
  virtual LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                                PHKEY result) = 0;
  virtual LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type,
                                   LPBYTE data, LPDWORD size) = 0;
  virtual LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type,
                                 const BYTE* data, DWORD size) = 0;
  virtual LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) = 0;
  virtual LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className,
                                  DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                                  PHKEY result, LPDWORD disposition) = 0;
  virtual LSTATUS RegFlushKey(HKEY key) = 0;
  virtual LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) = 0;
  virtual LSTATUS RegCloseKey(HKEY key) = 0;

  // Service control manager.
  virtual SC_HANDLE OpenSCManagerW(LPCWSTR machine, LPCWSTR database, DWORD access) = 0;
  virtual SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR serviceName, DWORD access) = 0;
  virtual BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) = 0;
  virtual BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) = 0;
  virtual BOOL StartServiceW(SC_HANDLE service, DWORD argc, LPCWSTR* argv) = 0;
  virtual BOOL EnumDependentServicesW(SC_HANDLE service, DWORD serviceState,
                                      LPENUM_SERVICE_STATUSW services, DWORD size, LPDWORD needed,
                                      LPDWORD returned) = 0;
  virtual BOOL CloseServiceHandle(SC_HANDLE handle) = 0;

  // Accounts and sessions (wtsapi32.dll, userenv.dll).
  virtual BOOL CheckTokenMembership(HANDLE token, PSID sid, PBOOL isMember) = 0;
  virtual DWORD GetCurrentProcessId() = 0;
  virtual BOOL ProcessIdToSessionId(DWORD processId, DWORD* sessionId) = 0;
  virtual BOOL WTSEnumerateSessionsW(HANDLE server, DWORD reserved, DWORD version,
                                     PWTS_SESSION_INFOW* sessions, DWORD* count) = 0;
  virtual void WTSFreeMemory(PVOID memory) = 0;
  virtual BOOL WTSQueryUserToken(ULONG sessionId, PHANDLE token) = 0;
  virtual BOOL CreateEnvironmentBlock(LPVOID* environment, HANDLE token, BOOL inherit) = 0;
  virtual BOOL DestroyEnvironmentBlock(LPVOID environment) = 0;
  virtual BOOL CreateProcessAsUserW(HANDLE token, LPCWSTR applicationName, LPWSTR commandLine,
                                    LPSECURITY_ATTRIBUTES processAttributes,
                                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                    DWORD creationFlags, LPVOID environment,
                                    LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                                    LPPROCESS_INFORMATION processInfo) = 0;

  // Restart Manager (rstrtmgr.dll): programs holding files, in every session.
  virtual DWORD RmStartSession(DWORD* session, DWORD flags, WCHAR* key) = 0;
  virtual DWORD RmRegisterResources(DWORD session, UINT files, LPCWSTR* fileNames,
                                    UINT processes, RM_UNIQUE_PROCESS* processList, UINT services,
                                    LPCWSTR* serviceNames) = 0;
  virtual DWORD RmShutdown(DWORD session, ULONG flags, RM_WRITE_STATUS_CALLBACK status) = 0;
  virtual DWORD RmEndSession(DWORD session) = 0;

  // Windows and the keyboard.
  virtual BOOL IsWindow(HWND window) = 0;
  virtual HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) = 0;
  virtual BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual SHORT GetAsyncKeyState(int key) = 0;
  virtual INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner,
                                  DLGPROC dialogProc, LPARAM initParam) = 0;
  virtual BOOL SetDlgItemTextW(HWND dialog, int itemId, LPCWSTR text) = 0;
  virtual BOOL SetWindowTextW(HWND window, LPCWSTR text) = 0;
  virtual BOOL EndDialog(HWND dialog, INT_PTR result) = 0;

  // Print spooler (winspool.drv): monitors.
  virtual BOOL EnumMonitorsW(LPWSTR name, DWORD level, LPBYTE monitors, DWORD size, LPDWORD needed,
                             LPDWORD returned) = 0;
  virtual BOOL AddMonitorW(LPWSTR name, DWORD level, LPBYTE monitors) = 0;
  virtual BOOL DeleteMonitorW(LPWSTR name, LPWSTR environment, LPWSTR monitorName) = 0;

  // Print spooler: drivers.
  virtual BOOL GetPrinterDriverDirectoryW(LPWSTR name, LPWSTR environment, DWORD level, LPBYTE info,
                                          DWORD size, LPDWORD needed) = 0;
  virtual BOOL AddPrinterDriverExW(LPWSTR name, DWORD level, LPBYTE info, DWORD copyFlags) = 0;
  virtual BOOL DeletePrinterDriverExW(LPWSTR name, LPWSTR environment, LPWSTR driverName,
                                      DWORD deleteFlag, DWORD versionFlag) = 0;
  virtual BOOL EnumPrinterDriversW(LPWSTR name, LPWSTR environment, DWORD level, LPBYTE info,
                                   DWORD size, LPDWORD needed, LPDWORD returned) = 0;
  virtual BOOL GetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, LPBYTE info,
                                 DWORD size, LPDWORD needed) = 0;

  // Print spooler: printers.
  virtual BOOL EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE info, DWORD size,
                             LPDWORD needed, LPDWORD returned) = 0;
  virtual BOOL OpenPrinterW(LPWSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) = 0;
  virtual BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD size,
                           LPDWORD needed) = 0;
  virtual BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command) = 0;
  virtual HANDLE AddPrinterW(LPWSTR name, DWORD level, LPBYTE info) = 0;
  virtual BOOL DeletePrinter(HANDLE printer) = 0;
  virtual BOOL ClosePrinter(HANDLE printer) = 0;
  virtual DWORD GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data,
                                DWORD size, LPDWORD needed) = 0;
  virtual DWORD GetPrinterDataExA(HANDLE printer, LPCSTR keyName, LPCSTR valueName, LPDWORD type,
                                  LPBYTE data, DWORD size, LPDWORD needed) = 0;
  virtual DWORD SetPrinterDataA(HANDLE printer, LPSTR valueName, DWORD type, LPBYTE data,
                                DWORD size) = 0;
  virtual DWORD SetPrinterDataExA(HANDLE printer, LPCSTR keyName, LPCSTR valueName, DWORD type,
                                  LPBYTE data, DWORD size) = 0;
  virtual BOOL GetDefaultPrinterW(LPWSTR buffer, LPDWORD size) = 0;
  virtual BOOL SetDefaultPrinterW(LPCWSTR printer) = 0;
};

// The Windows the installer talks to: the real one, unless a test has installed another.
WindowsApi& Os();

// Installs `api` as Os() for the lifetime of this object (tests).
class ScopedWindowsApi {
 public:
  explicit ScopedWindowsApi(WindowsApi& api);
  ~ScopedWindowsApi();
  ScopedWindowsApi(const ScopedWindowsApi&) = delete;
  ScopedWindowsApi& operator=(const ScopedWindowsApi&) = delete;

 private:
  WindowsApi* previous_;
};

}  // namespace qv
