// SimWindows frame: virtual clock, faults, accounting, handles and the rights Windows documents
// for the calls on them, memory, process, windows and dialogs.
#include "sim_windows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <sddl.h>
#include <shellapi.h>
#include <stdexcept>
#include <utility>

namespace qv::sim {
namespace {

constexpr size_t kRunawayCalls = 500000;
constexpr uint64_t kRunawayClock = 6ull * 60 * 60 * 1000;  // six virtual hours

using Kind = SimWindows::HandleKind;

// A call that checks its handle: without every right of `needed` it fails with
// ERROR_ACCESS_DENIED and changes nothing.
struct AccessRule {
  const char* function;  // the call, named as the simulated Windows counts it
  Kind kind;
  ACCESS_MASK needed;
};

constexpr AccessRule kAccessRules[] = {
    // Registry: "Registry Key Security and Access Rights" and each function's hKey parameter.
    {"RegQueryValueExW", Kind::kRegKey, KEY_QUERY_VALUE},
    {"RegFlushKey", Kind::kRegKey, KEY_QUERY_VALUE},
    {"RegSetValueExW", Kind::kRegKey, KEY_SET_VALUE},
    {"RegDeleteValueA", Kind::kRegKey, KEY_SET_VALUE},
    // Printers: PRINTER_DEFAULTS, DesiredAccess ("administrative tasks, such as those provided
    // by SetPrinter and SetPrinterData"); Standard Access Rights, DELETE.
    {"SetPrinterW", Kind::kPrinter, PRINTER_ACCESS_ADMINISTER},
    {"SetPrinterDataA", Kind::kPrinter, PRINTER_ACCESS_ADMINISTER},
    {"SetPrinterDataExA", Kind::kPrinter, PRINTER_ACCESS_ADMINISTER},
    {"DeletePrinter", Kind::kPrinter, DELETE},
    // Services: "Service Security and Access Rights" and each function's handle parameter.
    {"OpenServiceW", Kind::kServiceManager, SC_MANAGER_CONNECT},
    {"QueryServiceStatus", Kind::kService, SERVICE_QUERY_STATUS},
    {"StartServiceW", Kind::kService, SERVICE_START},
    {"ControlService", Kind::kService, SERVICE_STOP},
    {"EnumDependentServicesW", Kind::kService, SERVICE_ENUMERATE_DEPENDENTS},
};

const AccessRule& AccessRuleOf(const char* function) {
  for (const AccessRule& rule : kAccessRules) {
    if (std::strcmp(rule.function, function) == 0) return rule;
  }
  throw std::logic_error(std::string("no access rule for ") + function);
}

}  // namespace

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  return text;
}

int SimWindows::LiveBlocks() const {
  return static_cast<int>(blocks_.size() + LiveHeapBlocks() - heapBlocksAtStart_);
}

SimWindows::~SimWindows() {
  for (void* block : blocks_) FreeGuarded(block);
}

void SimWindows::At(uint64_t time, std::function<void()> event) {
  events_.emplace(time, std::move(event));
}

void SimWindows::Advance(uint64_t milliseconds) {
  const uint64_t target = clock + milliseconds;
  while (!events_.empty() && events_.begin()->first <= target) {
    clock = std::max(clock, events_.begin()->first);
    auto event = std::move(events_.begin()->second);
    events_.erase(events_.begin());
    event();
  }
  clock = target;
}

bool SimWindows::Fault(const char* function) {
  calls_.emplace_back(function);
  // A run that never ends is a hang in the code under test: stop it with a clear failure.
  if (calls_.size() > kRunawayCalls || clock > kRunawayClock)
    throw std::runtime_error(std::string("runaway run at ") + function);
  const long call = static_cast<long>(calls_.size()) - 1;
  const bool cut = cutAfter_ >= 0 && call >= cutAfter_;
  if (cut || call == failAt_) return Fail(cut ? ERROR_PROCESS_ABORTED : failError_, true);
  auto plan = faults_.find(function);
  if (plan == faults_.end() || plan->second.times == 0) return false;
  if (plan->second.times > 0) --plan->second.times;
  return Fail(plan->second.error, true);
}

HANDLE SimWindows::NewHandle(HandleKind kind, std::wstring name, ACCESS_MASK access) {
  const uintptr_t value = nextHandle_;
  nextHandle_ += 4;
  handles_[value] = HandleEntry{kind, std::move(name), 0, access};
  return reinterpret_cast<HANDLE>(value);
}

SimWindows::HandleEntry* SimWindows::FindHandle(const void* handle, HandleKind kind) {
  auto found = handles_.find(reinterpret_cast<uintptr_t>(handle));
  return found != handles_.end() && found->second.kind == kind ? &found->second : nullptr;
}

bool SimWindows::CloseOf(const void* handle, std::initializer_list<HandleKind> kinds) {
  auto found = handles_.find(reinterpret_cast<uintptr_t>(handle));
  if (found == handles_.end() ||
      std::find(kinds.begin(), kinds.end(), found->second.kind) == kinds.end())
    return Fail(ERROR_INVALID_HANDLE, false);
  if (found->second.kind == HandleKind::kMutex)
    --mutexes[std::string(found->second.name.begin(), found->second.name.end())].openHandles;
  handles_.erase(found);
  return true;
}

SimWindows::HandleEntry* SimWindows::Checked(const void* handle, const char* function) {
  const AccessRule& rule = AccessRuleOf(function);
  HandleEntry* entry = FindHandle(handle, rule.kind);
  if (entry && (entry->access & rule.needed) == rule.needed) return entry;
  return Fail<HandleEntry*>(entry ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE, nullptr);
}

BOOL SimWindows::CloseHandle(HANDLE handle) {
  Fault("CloseHandle");
  return CloseOf(handle,
                 {HandleKind::kFile, HandleKind::kMutex, HandleKind::kProcess, HandleKind::kToken});
}

BOOL SimWindows::SetDefaultDllDirectories(DWORD flags) {
  if (Fault("SetDefaultDllDirectories")) return FALSE;
  dllSearch = flags;
  return TRUE;
}

DWORD SimWindows::GetLastError() { return lastError_; }

void SimWindows::SetLastError(DWORD error) { lastError_ = error; }

HLOCAL SimWindows::NewLocalBlock(SIZE_T bytes) {
  void* block = AllocateGuarded(bytes);
  if (block) blocks_.insert(block);
  return block;
}

HGLOBAL SimWindows::GlobalAlloc(UINT, SIZE_T bytes) {
  if (Fault("GlobalAlloc")) return nullptr;
  HGLOBAL block = NewLocalBlock(bytes);
  std::memset(block, 0xCD, bytes);  // not zeroed, as GMEM_FIXED
  return block;
}

HGLOBAL SimWindows::GlobalFree(HGLOBAL mem) {
  Fault("GlobalFree");
  if (!mem || blocks_.erase(mem) == 0) return Fail(ERROR_INVALID_HANDLE, mem);
  FreeGuarded(mem);
  return nullptr;
}

HLOCAL SimWindows::LocalFree(HLOCAL mem) { return GlobalFree(mem); }

LANGID SimWindows::GetSystemDefaultLangID() { return systemLanguage; }

DWORD SimWindows::FormatMessageW(DWORD flags, LPCVOID, DWORD messageId, DWORD language,
                                 LPWSTR buffer, DWORD, va_list*) {
  if (Fault("FormatMessageW")) return 0;
  if (!(flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) || messageId == 0xDEADBEEF)
    return Fail(ERROR_MR_MID_NOT_FOUND, DWORD{0});
  // FormatMessage, dwLanguageId: a specific LANGID gives that language's text only, else
  // ERROR_RESOURCE_LANG_NOT_FOUND.
  if (messageLanguages.count(static_cast<LANGID>(language)) == 0)
    return Fail(ERROR_RESOURCE_LANG_NOT_FOUND, DWORD{0});
  const std::wstring in = language == 1033 ? L"" : L" in language " + std::to_wstring(language);
  const std::wstring text = L"System message " + std::to_wstring(messageId) + in + L".\r\n";
  auto* block = static_cast<wchar_t*>(NewLocalBlock((text.size() + 1) * sizeof(wchar_t)));
  std::wmemcpy(block, text.c_str(), text.size() + 1);
  *reinterpret_cast<LPWSTR*>(buffer) = block;
  return static_cast<DWORD>(text.size());
}

int SimWindows::MultiByteToWideChar(UINT, DWORD, LPCCH multiByte, int multiByteLength, LPWSTR wide,
                                    int wideLength) {
  if (Fault("MultiByteToWideChar")) return 0;
  if (multiByteLength < -1 || (!wide && wideLength != 0))  // -1: up to the NUL
    return Fail(ERROR_INVALID_PARAMETER, 0);
  const int length =
      multiByteLength < 0 ? static_cast<int>(std::strlen(multiByte)) + 1 : multiByteLength;
  if (!wide || wideLength == 0) return length;
  if (wideLength < length) return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
  for (int i = 0; i < length; ++i) {
    wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(multiByte[i]));
  }
  return length;
}

// WideCharToMultiByte: a cchWideChar of 0 fails; for CP_UTF8 "dwFlags must be set to either 0 or
// WC_ERR_INVALID_CHARS" (else ERROR_INVALID_FLAGS), lpDefaultChar and lpUsedDefaultChar "must be
// set to NULL".
int SimWindows::WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideLength,
                                    LPSTR multiByte, int multiByteLength, LPCCH defaultChar,
                                    LPBOOL usedDefault) {
  if (Fault("WideCharToMultiByte")) return 0;
  // UTF-8 only (the log file), by the system's own encoder.
  if (codePage != CP_UTF8 || wideLength < -1 || wideLength == 0 || defaultChar || usedDefault)
    return Fail(ERROR_INVALID_PARAMETER, 0);
  if (flags != 0 && flags != WC_ERR_INVALID_CHARS) return Fail(ERROR_INVALID_FLAGS, 0);
  const int bytes = ::WideCharToMultiByte(CP_UTF8, flags, wide, wideLength, multiByte,
                                          multiByteLength, nullptr, nullptr);
  if (bytes == 0) lastError_ = ::GetLastError();
  return bytes;
}

void SimWindows::Sleep(DWORD milliseconds) {
  Fault("Sleep");
  Advance(milliseconds);
}

DWORD SimWindows::GetTickCount() {
  Fault("GetTickCount");
  return static_cast<DWORD>(clock);
}

DWORD SimWindows::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  if (Fault("WaitForSingleObject")) return WAIT_FAILED;
  const HandleEntry* entry = FindHandle(handle, HandleKind::kMutex);  // the only kind waited on
  if (!entry) return Fail(ERROR_INVALID_HANDLE, WAIT_FAILED);
  const std::string name(entry->name.begin(), entry->name.end());
  const uint64_t deadline = clock + milliseconds;
  for (;;) {
    SimMutex& mutex = mutexes[name];
    if (mutex.abandoned || !mutex.held) {  // ours now; an abandoned one says so once
      mutex.owned = true;
      return std::exchange(mutex.abandoned, false) ? WAIT_ABANDONED : WAIT_OBJECT_0;
    }
    if (events_.empty() || events_.begin()->first > deadline) break;
    Advance(std::max(events_.begin()->first, clock) - clock);  // to the next event
  }
  clock = deadline;
  return WAIT_TIMEOUT;
}

// The program a command line starts: its first element, quoted or up to the first blank.
static std::wstring ProgramOf(const std::wstring& commandLine) {
  if (!commandLine.empty() && commandLine[0] == L'"') {
    return commandLine.substr(1, commandLine.find(L'"', 1) - 1);
  }
  return commandLine.substr(0, commandLine.find_first_of(L" \t"));
}

LPWSTR SimWindows::GetCommandLineW() {
  Fault("GetCommandLineW");
  commandLineCopy_.assign(commandLine.begin(), commandLine.end());
  commandLineCopy_.push_back(L'\0');
  return commandLineCopy_.data();
}

LPWSTR* SimWindows::CommandLineToArgvW(LPCWSTR text, int* count) {
  if (Fault("CommandLineToArgvW")) return nullptr;
  // Split by the system's own rules (the installer's command line is never empty).
  int realCount = 0;
  LPWSTR* real = ::CommandLineToArgvW(text, &realCount);
  if (!real) return Fail(::GetLastError(), nullptr);
  const std::vector<std::wstring> args(real, real + realCount);
  ::LocalFree(real);
  size_t bytes = (args.size() + 1) * sizeof(LPWSTR);
  for (const auto& arg : args) bytes += (arg.size() + 1) * sizeof(wchar_t);
  auto* pointers = static_cast<LPWSTR*>(NewLocalBlock(bytes));
  auto* strings = reinterpret_cast<wchar_t*>(pointers + args.size() + 1);
  for (size_t i = 0; i < args.size(); ++i) {
    pointers[i] = std::wmemcpy(strings, args[i].c_str(), args[i].size() + 1);
    strings += args[i].size() + 1;
  }
  *count = static_cast<int>(args.size());
  return pointers;
}

DWORD SimWindows::GetModuleFileNameW(HMODULE, LPWSTR fileName, DWORD size) {
  if (Fault("GetModuleFileNameW") || size == 0) return 0;
  // GetModuleFileNameW: a path that does not fit is cut to size - 1 characters and a NUL, and the
  // answer is the size, with ERROR_INSUFFICIENT_BUFFER.
  FillTold(fileName, size, modulePath, true);
  if (modulePath.size() >= size) return Fail(ERROR_INSUFFICIENT_BUFFER, size);
  return static_cast<DWORD>(modulePath.size());
}

UINT SimWindows::GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  if (Fault("GetSystemDirectoryW")) return 0;
  FillTold(buffer, size, systemDirectory);
  if (size <= systemDirectory.size()) return static_cast<UINT>(systemDirectory.size() + 1);
  return static_cast<UINT>(systemDirectory.size());
}

BOOL SimWindows::GetVersionExA(LPOSVERSIONINFOA info) {
  if (Fault("GetVersionExA")) return FALSE;
  // dwOSVersionInfoSize: "sizeof(OSVERSIONINFO)", or that of OSVERSIONINFOEX.
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
      info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA))
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  info->dwMajorVersion = majorVersion;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  return TRUE;
}

BOOL SimWindows::CreateProcessW(LPCWSTR, LPWSTR commandLineText, LPSECURITY_ATTRIBUTES,
                                LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCWSTR,
                                LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInfo) {
  if (Fault("CreateProcessW")) return FALSE;
  // STARTUPINFO's cb: the size of the structure (STARTUPINFOEX's with its flag).
  if (!startupInfo ||
      (startupInfo->cb != sizeof(STARTUPINFOW) && startupInfo->cb != sizeof(STARTUPINFOEXW)))
    return Fail(ERROR_INVALID_PARAMETER);
  return StartProcess({commandLineText ? commandLineText : L"", sessionId}, processInfo);
}

BOOL SimWindows::StartProcess(const SimProcessStart& start, LPPROCESS_INFORMATION processInfo) {
  processStarts.push_back(start);
  if (!FileExists(ProgramOf(start.commandLine))) return Fail(ERROR_FILE_NOT_FOUND);
  if (onProcessStart) onProcessStart(start);
  processInfo->hProcess = NewHandle(HandleKind::kProcess);
  processInfo->hThread = NewHandle(HandleKind::kProcess);
  processInfo->dwProcessId = 1000 + static_cast<DWORD>(processStarts.size());
  processInfo->dwThreadId = 2000 + static_cast<DWORD>(processStarts.size());
  return TRUE;
}

// CreateMutex: a name that exists is opened, "this function requests the MUTEX_ALL_ACCESS
// access right"; a name in a private namespace needs that namespace open ("Object Namespaces").
HANDLE SimWindows::CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL, LPCSTR name) {
  if (Fault("CreateMutexA")) return nullptr;
  const std::string key = name ? MutexKey(name) : "";
  if (name && key.empty()) return Fail<HANDLE>(ERROR_PATH_NOT_FOUND, nullptr);
  SimMutex& mutex = mutexes[key];
  const bool exists = mutex.held || mutex.abandoned || mutex.openHandles > 0;
  if (exists && !GrantsFullControl(mutex.access, account))
    return Fail<HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  lastError_ = exists ? ERROR_ALREADY_EXISTS : 0;
  if (lastError_ == 0 && attributes && attributes->lpSecurityDescriptor) {
    mutex.access = static_cast<const wchar_t*>(attributes->lpSecurityDescriptor);
  }
  ++mutex.openHandles;
  return NewHandle(HandleKind::kMutex, std::wstring(key.begin(), key.end()));
}

BOOL SimWindows::ReleaseMutex(HANDLE handle) {
  if (Fault("ReleaseMutex")) return FALSE;
  const HandleEntry* entry = FindHandle(handle, HandleKind::kMutex);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  SimMutex& mutex = mutexes[std::string(entry->name.begin(), entry->name.end())];
  if (!std::exchange(mutex.owned, false)) return Fail(ERROR_NOT_OWNER);
  return TRUE;
}

// The descriptor is a local block holding the text it was made from, which CreateMutexA records.
BOOL SimWindows::ConvertStringSecurityDescriptorToSecurityDescriptorW(
    LPCWSTR text, DWORD revision, PSECURITY_DESCRIPTOR* descriptor, PULONG size) {
  if (Fault("ConvertStringSecurityDescriptorToSecurityDescriptorW")) return FALSE;
  if (!text || !descriptor || revision != SDDL_REVISION_1) return Fail(ERROR_INVALID_PARAMETER);
  const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  *descriptor = NewLocalBlock(bytes);
  std::memcpy(*descriptor, text, bytes);
  if (size) *size = static_cast<ULONG>(bytes);
  return TRUE;
}

SimWindow& SimWindows::AddWindow(const std::wstring& className, const std::wstring& title) {
  static uintptr_t next = 0x20000;
  windows.push_back(SimWindow{reinterpret_cast<HWND>(next += 4), className, title, 1, {}, {}});
  return windows.back();
}

void SimWindows::RemoveWindow(HWND hwnd) {
  windows.erase(std::remove_if(windows.begin(), windows.end(),
                               [hwnd](const SimWindow& w) { return w.hwnd == hwnd; }),
                windows.end());
}

BOOL SimWindows::IsWindow(HWND window) {
  Fault("IsWindow");
  return std::any_of(windows.begin(), windows.end(),
                     [window](const SimWindow& w) { return w.hwnd == window; });
}

HWND SimWindows::FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  if (Fault("FindWindowW")) return nullptr;
  for (const SimWindow& w : windows) {
    // "FindWindowW": the top-level windows of the caller's desktop, so of its session only.
    if (w.session != sessionId) continue;
    if (className && Lower(w.className) != Lower(className)) continue;
    if (windowName && w.title != windowName) continue;
    return w.hwnd;
  }
  lastError_ = 0;
  return nullptr;
}

BOOL SimWindows::PostMessageW(HWND window, UINT message, WPARAM, LPARAM) {
  if (Fault("PostMessageW")) return FALSE;
  for (SimWindow& w : windows) {
    if (w.hwnd != window) continue;
    w.posted.push_back(message);
    if (auto react = w.onPost) react(w, message);  // a copy: it may remove the window
    return TRUE;
  }
  return Fail(ERROR_INVALID_WINDOW_HANDLE);
}

SHORT SimWindows::GetAsyncKeyState(int key) {
  Fault("GetAsyncKeyState");
  return key == VK_SHIFT && shiftDown ? static_cast<SHORT>(0x8000) : 0;
}

INT_PTR SimWindows::DialogBoxParamW(HINSTANCE, LPCWSTR, HWND owner, DLGPROC dialogProc,
                                    LPARAM initParam) {
  if (Fault("DialogBoxParamW")) return -1;
  HWND dialogWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0xD1A10));
  dialog = SimDialog{true, owner, L"", L"", -1};
  dialogProc(dialogWindow, WM_INITDIALOG, 0, initParam);
  // The log text's edit control reports its focus and its scrolling to the dialog before the person
  // acts (WM_COMMAND: the control's id, the notification code in the high word). EndDialog ends
  // the dialog once the procedure returns: no message follows.
  for (const WORD code : {EN_SETFOCUS, EN_VSCROLL, EN_KILLFOCUS}) {
    dialogProc(dialogWindow, WM_COMMAND, MAKEWPARAM(1001, code), 0xED17);
    if (dialog.result != -1) return dialog.result;
  }
  if (!closeBoxClosesDialog) {
    dialogProc(dialogWindow, WM_COMMAND, escClosesDialog ? IDCANCEL : IDOK, 0);
  } else if (!dialogProc(dialogWindow, WM_CLOSE, 0, 0)) {
    dialogProc(dialogWindow, WM_COMMAND, IDCANCEL, 0);  // the dialog manager's own answer
  }
  return dialog.result;
}

BOOL SimWindows::SetDlgItemTextW(HWND, int itemId, LPCWSTR text) {
  if (Fault("SetDlgItemTextW")) return FALSE;
  if (itemId == 1001) dialog.text = text ? text : L"";
  return TRUE;
}

BOOL SimWindows::SetWindowTextW(HWND, LPCWSTR text) {
  if (Fault("SetWindowTextW")) return FALSE;
  dialog.caption = text ? text : L"";
  return TRUE;
}

BOOL SimWindows::EndDialog(HWND, INT_PTR result) {
  if (Fault("EndDialog")) return FALSE;
  dialog.result = result;
  return TRUE;
}

}  // namespace qv::sim
