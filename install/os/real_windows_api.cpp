// The real Windows behind the seam: forwards every call to the system.
//
// winspool.drv, version.dll, wtsapi32.dll, userenv.dll and rstrtmgr.dll are not Known DLLs, so a
// static import would let the loader pick up a copy planted beside the installer, and a load by
// base name returns any module of that name already in the process, whoever loaded it. They are
// bound here at first use by their full path in the system directory. SetDefaultDllDirectories is
// bound at run time as well: where the system lacks it (and with it the LOAD_LIBRARY_SEARCH
// flags), the full path still names the system's copy, and LOAD_WITH_ALTERED_SEARCH_PATH looks for
// its own dependencies beside it.
#include "os/windows_api.h"

#include <sddl.h>
#include <userenv.h>
#include <shellapi.h>

#include <cwchar>

namespace qv {
namespace {

struct SystemDll {
  const wchar_t* file;
  HMODULE module;
};

SystemDll g_winspool = {L"winspool.drv", nullptr};
SystemDll g_version = {L"version.dll", nullptr};
SystemDll g_wtsapi = {L"wtsapi32.dll", nullptr};
SystemDll g_userenv = {L"userenv.dll", nullptr};
SystemDll g_restartManager = {L"rstrtmgr.dll", nullptr};

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFunction BindSetDefaultDllDirectories() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return nullptr;
  FARPROC proc = ::GetProcAddress(kernel, "SetDefaultDllDirectories");
  return reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(proc));
}

const SetDefaultDllDirectoriesFunction g_setDefaultDllDirectories = BindSetDefaultDllDirectories();

using GetTempPathFunction = DWORD(WINAPI*)(DWORD, LPWSTR);

// GetTempPath2W came with build 20348 (and Windows 10 1607 and later through updates of 2025).
GetTempPathFunction BindGetTempPath2() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  FARPROC proc = kernel ? ::GetProcAddress(kernel, "GetTempPath2W") : nullptr;
  return proc ? reinterpret_cast<GetTempPathFunction>(reinterpret_cast<void*>(proc))
              : &::GetTempPathW;
}

const GetTempPathFunction g_getTempPath2 = BindGetTempPath2();

// Loads `file` from the system directory by its full path; null when the path does not fit or
// the load fails.
HMODULE LoadFromSystemDirectory(const wchar_t* file) {
  wchar_t path[MAX_PATH];
  UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  const size_t fileLength = std::wcslen(file);
  if (length == 0 || length + 1 + fileLength >= MAX_PATH) return nullptr;
  if (path[length - 1] != L'\\') path[length++] = L'\\';
  std::wmemcpy(path + length, file, fileLength + 1);
  // The LOAD_LIBRARY_SEARCH flags exist exactly where SetDefaultDllDirectories does.
  const DWORD flags =
      g_setDefaultDllDirectories ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
  return ::LoadLibraryExW(path, nullptr, flags);
}

template <typename Function>
Function BindSystemFunction(SystemDll& dll, const char* name) {
  if (!dll.module) dll.module = LoadFromSystemDirectory(dll.file);
  if (!dll.module) return nullptr;
  FARPROC proc = ::GetProcAddress(dll.module, name);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(proc));
}

// Calls `function` of a system DLL; fails with ERROR_PROC_NOT_FOUND when it cannot be bound.
#define QV_SYSTEM_CALL(dll, function, failure, ...)                                 \
  static const auto fn = BindSystemFunction<decltype(&::function)>(dll, #function); \
  if (!fn) {                                                                        \
    ::SetLastError(ERROR_PROC_NOT_FOUND);                                           \
    return failure;                                                                 \
  }                                                                                 \
  return fn(__VA_ARGS__)

class RealWindowsApi final : public WindowsApi {
 public:
  BOOL SetDefaultDllDirectories(DWORD flags) override {
    if (!g_setDefaultDllDirectories) {
      ::SetLastError(ERROR_PROC_NOT_FOUND);
      return FALSE;
    }
    return g_setDefaultDllDirectories(flags);
  }

  DWORD GetLastError() override { return ::GetLastError(); }

  void SetLastError(DWORD error) override { ::SetLastError(error); }

  DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                       LPWSTR buffer, DWORD size, va_list* arguments) override {
    return ::FormatMessageW(flags, source, messageId, languageId, buffer, size, arguments);
  }

  HLOCAL LocalFree(HLOCAL mem) override { return ::LocalFree(mem); }
  LANGID GetSystemDefaultLangID() override { return ::GetSystemDefaultLangID(); }

  HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) override { return ::GlobalAlloc(flags, bytes); }

  HGLOBAL GlobalFree(HGLOBAL mem) override { return ::GlobalFree(mem); }

  int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multiByte, int multiByteLength,
                          LPWSTR wide, int wideLength) override {
    return ::MultiByteToWideChar(codePage, flags, multiByte, multiByteLength, wide, wideLength);
  }
  int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideLength, LPSTR multiByte,
                          int multiByteLength, LPCCH defaultChar, LPBOOL usedDefaultChar) override {
    return ::WideCharToMultiByte(codePage, flags, wide, wideLength, multiByte, multiByteLength,
                                 defaultChar, usedDefaultChar);
  }

  void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }

  DWORD GetTickCount() override { return ::GetTickCount(); }

  DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override {
    return ::WaitForSingleObject(handle, milliseconds);
  }

  LPWSTR GetCommandLineW() override { return ::GetCommandLineW(); }

  LPWSTR* CommandLineToArgvW(LPCWSTR commandLine, int* count) override {
    return ::CommandLineToArgvW(commandLine, count);
  }

  DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) override {
    return ::GetModuleFileNameW(module, fileName, size);
  }

  UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) override {
    return ::GetSystemDirectoryW(buffer, size);
  }

  BOOL GetVersionExA(LPOSVERSIONINFOA info) override { return ::GetVersionExA(info); }

  BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                      LPSECURITY_ATTRIBUTES processAttributes,
                      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                      DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                      LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInfo) override {
    return ::CreateProcessW(applicationName, commandLine, processAttributes, threadAttributes,
                            inheritHandles, creationFlags, environment, currentDirectory,
                            startupInfo, processInfo);
  }

  HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) override {
    return ::CreateMutexA(attributes, initialOwner, name);
  }
  BOOL ReleaseMutex(HANDLE mutex) override { return ::ReleaseMutex(mutex); }
  BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR text, DWORD revision,
                                                            PSECURITY_DESCRIPTOR* descriptor,
                                                            PULONG size) override {
    return ::ConvertStringSecurityDescriptorToSecurityDescriptorW(text, revision, descriptor, size);
  }

  BOOL CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }

  HANDLE CreateBoundaryDescriptorW(LPCWSTR name, ULONG flags) override {
    return ::CreateBoundaryDescriptorW(name, flags);
  }
  BOOL AddSIDToBoundaryDescriptor(HANDLE* boundary, PSID requiredSid) override {
    return ::AddSIDToBoundaryDescriptor(boundary, requiredSid);
  }
  void DeleteBoundaryDescriptor(HANDLE boundary) override { ::DeleteBoundaryDescriptor(boundary); }
  HANDLE CreatePrivateNamespaceW(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary,
                                 LPCWSTR aliasPrefix) override {
    return ::CreatePrivateNamespaceW(attributes, boundary, aliasPrefix);
  }
  HANDLE OpenPrivateNamespaceW(LPVOID boundary, LPCWSTR aliasPrefix) override {
    return ::OpenPrivateNamespaceW(boundary, aliasPrefix);
  }
  BOOLEAN ClosePrivateNamespace(HANDLE handle, ULONG flags) override {
    return ::ClosePrivateNamespace(handle, flags);
  }
  BOOL CreateWellKnownSid(WELL_KNOWN_SID_TYPE type, PSID domainSid, PSID sid,
                          DWORD* size) override {
    return ::CreateWellKnownSid(type, domainSid, sid, size);
  }

  HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode,
                     LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags,
                     HANDLE templateFile) override {
    return ::CreateFileW(fileName, access, shareMode, attributes, disposition, flags, templateFile);
  }

  BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                LPOVERLAPPED overlapped) override {
    return ::ReadFile(file, buffer, toRead, read, overlapped);
  }

  BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                 LPOVERLAPPED overlapped) override {
    return ::WriteFile(file, buffer, toWrite, written, overlapped);
  }

  BOOL DeleteFileW(LPCWSTR fileName) override { return ::DeleteFileW(fileName); }

  BOOL MoveFileExW(LPCWSTR existing, LPCWSTR newName, DWORD flags) override {
    return ::MoveFileExW(existing, newName, flags);
  }

  DWORD GetFileAttributesW(LPCWSTR fileName) override { return ::GetFileAttributesW(fileName); }
  DWORD GetTempPath2W(DWORD size, LPWSTR buffer) override { return g_getTempPath2(size, buffer); }

  DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) override {
    QV_SYSTEM_CALL(g_version, GetFileVersionInfoSizeW, 0, fileName, handle);
  }

  BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD size, LPVOID data) override {
    QV_SYSTEM_CALL(g_version, GetFileVersionInfoW, FALSE, fileName, handle, size, data);
  }

  BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) override {
    QV_SYSTEM_CALL(g_version, VerQueryValueW, FALSE, block, subBlock, buffer, length);
  }

  LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                        PHKEY result) override {
    return ::RegOpenKeyExA(key, subKey, options, access, result);
  }

  LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                           LPDWORD size) override {
    return ::RegQueryValueExW(key, valueName, reserved, type, data, size);
  }

  LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                         DWORD size) override {
    return ::RegSetValueExW(key, valueName, reserved, type, data, size);
  }

  LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) override {
    return ::RegDeleteValueA(key, valueName);
  }

  LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options,
                          REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                          LPDWORD disposition) override {
    return ::RegCreateKeyExA(key, subKey, reserved, className, options, access, security, result,
                             disposition);
  }

  LSTATUS RegFlushKey(HKEY key) override { return ::RegFlushKey(key); }

  LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) override { return ::RegDeleteKeyA(key, subKey); }

  LSTATUS RegCloseKey(HKEY key) override { return ::RegCloseKey(key); }

  SC_HANDLE OpenSCManagerW(LPCWSTR machine, LPCWSTR database, DWORD access) override {
    return ::OpenSCManagerW(machine, database, access);
  }

  SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR serviceName, DWORD access) override {
    return ::OpenServiceW(manager, serviceName, access);
  }

  BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) override {
    return ::ControlService(service, control, status);
  }

  BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) override {
    return ::QueryServiceStatus(service, status);
  }

  BOOL StartServiceW(SC_HANDLE service, DWORD argc, LPCWSTR* argv) override {
    return ::StartServiceW(service, argc, argv);
  }

  BOOL EnumDependentServicesW(SC_HANDLE service, DWORD serviceState,
                              LPENUM_SERVICE_STATUSW services, DWORD size, LPDWORD needed,
                              LPDWORD returned) override {
    return ::EnumDependentServicesW(service, serviceState, services, size, needed, returned);
  }

  BOOL CloseServiceHandle(SC_HANDLE handle) override { return ::CloseServiceHandle(handle); }

  BOOL IsWindow(HWND window) override { return ::IsWindow(window); }

  HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) override {
    return ::FindWindowW(className, windowName);
  }

  BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    return ::PostMessageW(window, message, wParam, lParam);
  }

  SHORT GetAsyncKeyState(int key) override { return ::GetAsyncKeyState(key); }

  INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC dialogProc,
                          LPARAM initParam) override {
    return ::DialogBoxParamW(instance, templateName, owner, dialogProc, initParam);
  }

  BOOL SetDlgItemTextW(HWND dialog, int itemId, LPCWSTR text) override {
    return ::SetDlgItemTextW(dialog, itemId, text);
  }

  BOOL SetWindowTextW(HWND window, LPCWSTR text) override { return ::SetWindowTextW(window, text); }

  BOOL EndDialog(HWND dialog, INT_PTR result) override { return ::EndDialog(dialog, result); }

  BOOL EnumMonitorsW(LPWSTR name, DWORD level, LPBYTE monitors, DWORD size, LPDWORD needed,
                     LPDWORD returned) override {
    QV_SYSTEM_CALL(g_winspool, EnumMonitorsW, FALSE, name, level, monitors, size, needed, returned);
  }

  BOOL AddMonitorW(LPWSTR name, DWORD level, LPBYTE monitors) override {
    QV_SYSTEM_CALL(g_winspool, AddMonitorW, FALSE, name, level, monitors);
  }

  BOOL DeleteMonitorW(LPWSTR name, LPWSTR environment, LPWSTR monitorName) override {
    QV_SYSTEM_CALL(g_winspool, DeleteMonitorW, FALSE, name, environment, monitorName);
  }

  BOOL GetPrinterDriverDirectoryW(LPWSTR name, LPWSTR environment, DWORD level, LPBYTE info,
                                  DWORD size, LPDWORD needed) override {
    QV_SYSTEM_CALL(g_winspool, GetPrinterDriverDirectoryW, FALSE, name, environment, level, info,
                   size, needed);
  }

  BOOL AddPrinterDriverExW(LPWSTR name, DWORD level, LPBYTE info, DWORD copyFlags) override {
    QV_SYSTEM_CALL(g_winspool, AddPrinterDriverExW, FALSE, name, level, info, copyFlags);
  }

  BOOL DeletePrinterDriverExW(LPWSTR name, LPWSTR environment, LPWSTR driverName, DWORD deleteFlag,
                              DWORD versionFlag) override {
    QV_SYSTEM_CALL(g_winspool, DeletePrinterDriverExW, FALSE, name, environment, driverName,
                   deleteFlag, versionFlag);
  }

  BOOL EnumPrinterDriversW(LPWSTR name, LPWSTR environment, DWORD level, LPBYTE info, DWORD size,
                           LPDWORD needed, LPDWORD returned) override {
    QV_SYSTEM_CALL(g_winspool, EnumPrinterDriversW, FALSE, name, environment, level, info, size,
                   needed, returned);
  }

  BOOL GetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, LPBYTE info, DWORD size,
                         LPDWORD needed) override {
    QV_SYSTEM_CALL(g_winspool, GetPrinterDriverW, FALSE, printer, environment, level, info, size,
                   needed);
  }

  BOOL EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE info, DWORD size, LPDWORD needed,
                     LPDWORD returned) override {
    QV_SYSTEM_CALL(g_winspool, EnumPrintersW, FALSE, flags, name, level, info, size, needed,
                   returned);
  }

  BOOL OpenPrinterW(LPWSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) override {
    QV_SYSTEM_CALL(g_winspool, OpenPrinterW, FALSE, printerName, printer, defaults);
  }

  BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD size, LPDWORD needed) override {
    QV_SYSTEM_CALL(g_winspool, GetPrinterW, FALSE, printer, level, info, size, needed);
  }

  BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command) override {
    QV_SYSTEM_CALL(g_winspool, SetPrinterW, FALSE, printer, level, info, command);
  }

  HANDLE AddPrinterW(LPWSTR name, DWORD level, LPBYTE info) override {
    QV_SYSTEM_CALL(g_winspool, AddPrinterW, nullptr, name, level, info);
  }

  BOOL DeletePrinter(HANDLE printer) override {
    QV_SYSTEM_CALL(g_winspool, DeletePrinter, FALSE, printer);
  }

  BOOL ClosePrinter(HANDLE printer) override {
    QV_SYSTEM_CALL(g_winspool, ClosePrinter, FALSE, printer);
  }

  DWORD GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data, DWORD size,
                        LPDWORD needed) override {
    QV_SYSTEM_CALL(g_winspool, GetPrinterDataA, ERROR_PROC_NOT_FOUND, printer, valueName, type,
                   data, size, needed);
  }

  DWORD GetPrinterDataExA(HANDLE printer, LPCSTR keyName, LPCSTR valueName, LPDWORD type,
                          LPBYTE data, DWORD size, LPDWORD needed) override {
    QV_SYSTEM_CALL(g_winspool, GetPrinterDataExA, ERROR_PROC_NOT_FOUND, printer, keyName, valueName,
                   type, data, size, needed);
  }

  DWORD SetPrinterDataA(HANDLE printer, LPSTR valueName, DWORD type, LPBYTE data,
                        DWORD size) override {
    QV_SYSTEM_CALL(g_winspool, SetPrinterDataA, ERROR_PROC_NOT_FOUND, printer, valueName, type,
                   data, size);
  }

  DWORD SetPrinterDataExA(HANDLE printer, LPCSTR keyName, LPCSTR valueName, DWORD type, LPBYTE data,
                          DWORD size) override {
    QV_SYSTEM_CALL(g_winspool, SetPrinterDataExA, ERROR_PROC_NOT_FOUND, printer, keyName, valueName,
                   type, data, size);
  }

  BOOL CheckTokenMembership(HANDLE token, PSID sid, PBOOL isMember) override {
    return ::CheckTokenMembership(token, sid, isMember);
  }
  DWORD GetCurrentProcessId() override { return ::GetCurrentProcessId(); }
  BOOL ProcessIdToSessionId(DWORD processId, DWORD* sessionId) override {
    return ::ProcessIdToSessionId(processId, sessionId);
  }
  BOOL WTSEnumerateSessionsW(HANDLE server, DWORD reserved, DWORD version,
                             PWTS_SESSION_INFOW* sessions, DWORD* count) override {
    QV_SYSTEM_CALL(g_wtsapi, WTSEnumerateSessionsW, FALSE, server, reserved, version, sessions,
                   count);
  }
  void WTSFreeMemory(PVOID memory) override {
    static const auto fn =
        BindSystemFunction<decltype(&::WTSFreeMemory)>(g_wtsapi, "WTSFreeMemory");
    if (fn) fn(memory);
  }
  BOOL WTSQueryUserToken(ULONG sessionId, PHANDLE token) override {
    QV_SYSTEM_CALL(g_wtsapi, WTSQueryUserToken, FALSE, sessionId, token);
  }
  BOOL CreateEnvironmentBlock(LPVOID* environment, HANDLE token, BOOL inherit) override {
    QV_SYSTEM_CALL(g_userenv, CreateEnvironmentBlock, FALSE, environment, token, inherit);
  }
  BOOL DestroyEnvironmentBlock(LPVOID environment) override {
    QV_SYSTEM_CALL(g_userenv, DestroyEnvironmentBlock, FALSE, environment);
  }
  BOOL CreateProcessAsUserW(HANDLE token, LPCWSTR applicationName, LPWSTR commandLine,
                            LPSECURITY_ATTRIBUTES processAttributes,
                            LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                            DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                            LPSTARTUPINFOW startupInfo,
                            LPPROCESS_INFORMATION processInfo) override {
    return ::CreateProcessAsUserW(token, applicationName, commandLine, processAttributes,
                                  threadAttributes, inheritHandles, creationFlags, environment,
                                  currentDirectory, startupInfo, processInfo);
  }

  DWORD RmStartSession(DWORD* session, DWORD flags, WCHAR* key) override {
    QV_SYSTEM_CALL(g_restartManager, RmStartSession, ERROR_PROC_NOT_FOUND, session, flags, key);
  }
  DWORD RmRegisterResources(DWORD session, UINT files, LPCWSTR* fileNames, UINT processes,
                            RM_UNIQUE_PROCESS* processList, UINT services,
                            LPCWSTR* serviceNames) override {
    QV_SYSTEM_CALL(g_restartManager, RmRegisterResources, ERROR_PROC_NOT_FOUND, session, files,
                   fileNames, processes, processList, services, serviceNames);
  }
  DWORD RmShutdown(DWORD session, ULONG flags, RM_WRITE_STATUS_CALLBACK status) override {
    QV_SYSTEM_CALL(g_restartManager, RmShutdown, ERROR_PROC_NOT_FOUND, session, flags, status);
  }
  DWORD RmEndSession(DWORD session) override {
    QV_SYSTEM_CALL(g_restartManager, RmEndSession, ERROR_PROC_NOT_FOUND, session);
  }

  BOOL GetDefaultPrinterW(LPWSTR buffer, LPDWORD size) override {
    QV_SYSTEM_CALL(g_winspool, GetDefaultPrinterW, FALSE, buffer, size);
  }

  BOOL SetDefaultPrinterW(LPCWSTR printer) override {
    QV_SYSTEM_CALL(g_winspool, SetDefaultPrinterW, FALSE, printer);
  }
};

RealWindowsApi g_real;
WindowsApi* g_current = &g_real;

}  // namespace

WindowsApi& Os() { return *g_current; }

ScopedWindowsApi::ScopedWindowsApi(WindowsApi& api) : previous_(g_current) { g_current = &api; }

ScopedWindowsApi::~ScopedWindowsApi() { g_current = previous_; }

}  // namespace qv
