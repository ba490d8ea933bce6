// orbmon64.dll: the Quintavera port monitor.
//
// A print-spooler port monitor (MONITOR2 interface) with exactly one port, "Quintavera:". Every job
// the spooler sends to that port is stored, byte for byte, as a new file in the jobs folder:
// "<common application data>\Quintavera\Jobs" (job_folder.cpp: the folders are SYSTEM's and the
// Administrators', a job file is readable by its person too; a job whose folder cannot be had
// fails). Each job gets its own file, named from the job id, the time and a counter, created with
// CREATE_NEW so that no existing file is ever overwritten.
//
// At initialisation the monitor records its port under its registry root ("Ports\Quintavera:"),
// as port monitors keep their port configuration. Windows' spooler learns the ports from
// EnumPorts; Wine's spooler finds the monitor of a port only through that key, and without it
// cannot hand a job to this monitor.
//
// Every entry of the MONITOR2 table, the Windows 7 port-usage notifications included, is a working
// function: the spooler may call any of them. What the monitor does not support (adding,
// configuring and deleting ports, reading from the port, bidi) fails with ERROR_NOT_SUPPORTED; bad
// handles and arguments fail with ERROR_INVALID_HANDLE or ERROR_INVALID_PARAMETER.
#include <windows.h>
#include <strsafe.h>
#include <winspool.h>
#include <winsplp.h>

#include "job_folder.h"

namespace {

constexpr wchar_t kPortName[] = L"Quintavera:";
constexpr wchar_t kMonitorName[] = L"Quintavera:";
constexpr wchar_t kPortDescription[] = L"Quintavera virtual printer port";
constexpr wchar_t kPortKey[] = L"Ports\\Quintavera:";  // under the monitor's registry root

constexpr DWORD kMonitorMagic = 0x4E4F4D51;  // "QMON"
constexpr DWORD kPortMagic = 0x54524F51;     // "QORT"
constexpr DWORD kXcvMagic = 0x56435851;      // "QXCV"
constexpr DWORD kDeadMagic = 0xDEADDEAD;

// Longest printer name kept for the end-of-job notification (the spooler's own limit is 220).
constexpr size_t kMaxPrinterName = 256;

struct MonitorState {
  DWORD magic;
};

struct PortState {
  DWORD magic;
  CRITICAL_SECTION lock;
  HANDLE file;  // INVALID_HANDLE_VALUE outside a document
  DWORD jobId;
  bool inDoc;
  wchar_t printerName[kMaxPrinterName];
  wchar_t jobPath[MAX_PATH];
};

struct XcvState {
  DWORD magic;
  ACCESS_MASK access;
};

// Handle records live on the process heap (no C++ runtime allocation in a spooler DLL).
template <typename T>
T* NewRecord() {
  return static_cast<T*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(T)));
}

void FreeRecord(void* record) { HeapFree(GetProcessHeap(), 0, record); }

// True when name is exactly the product port (the spooler compares port names without case).
bool IsProductPort(LPCWSTR name) { return name != nullptr && lstrcmpiW(name, kPortName) == 0; }

// pName is the server name; only the local machine (NULL or empty) is served.
bool IsLocalServer(LPCWSTR name) { return name == nullptr || name[0] == L'\0'; }

bool IsMonitor(HANDLE h) {
  auto* m = static_cast<MonitorState*>(h);
  return m != nullptr && m->magic == kMonitorMagic;
}

PortState* AsPort(HANDLE h) {
  auto* p = static_cast<PortState*>(h);
  return (p != nullptr && p->magic == kPortMagic) ? p : nullptr;
}

XcvState* AsXcv(HANDLE h) {
  auto* x = static_cast<XcvState*>(h);
  return (x != nullptr && x->magic == kXcvMagic) ? x : nullptr;
}

// Tells the spooler that the job has gone to the "printer", so that it can drop it from the
// queue, as the system's own port monitors do. Without a printer that answers, nothing happens.
void NotifyJobSent(LPWSTR printerName, DWORD jobId) {
  if (printerName[0] == L'\0') return;
  HANDLE printer = nullptr;
  if (OpenPrinterW(printerName, &printer, nullptr) && printer != nullptr) {
    SetJobW(printer, jobId, 0, nullptr, JOB_CONTROL_SENT_TO_PRINTER);
    ClosePrinter(printer);
  }
}

// Ends the port's document: closes the job file. Caller holds the port lock.
bool EndDocLocked(PortState* port) {
  if (!port->inDoc) return true;
  bool ok = true;
  if (port->file != INVALID_HANDLE_VALUE) {
    if (!FlushFileBuffers(port->file)) ok = false;
    if (!CloseHandle(port->file)) ok = false;
    port->file = INVALID_HANDLE_VALUE;
  }
  port->inDoc = false;
  return ok;
}

// ---- MONITOR2 entries -------------------------------------------------------------------------

BOOL WINAPI QvEnumPorts(HANDLE hMonitor, LPWSTR pName, DWORD Level, LPBYTE pPorts, DWORD cbBuf,
                        LPDWORD pcbNeeded, LPDWORD pcReturned) {
  if (pcbNeeded == nullptr || pcReturned == nullptr || !IsMonitor(hMonitor)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcReturned = 0;
  *pcbNeeded = 0;
  if (!IsLocalServer(pName)) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  if (Level != 1 && Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  const DWORD portBytes = sizeof(kPortName);
  const DWORD monitorBytes = sizeof(kMonitorName);
  const DWORD descBytes = sizeof(kPortDescription);
  DWORD needed = (Level == 1) ? sizeof(PORT_INFO_1W) + portBytes
                              : sizeof(PORT_INFO_2W) + portBytes + monitorBytes + descBytes;
  *pcbNeeded = needed;
  if (pPorts == nullptr || cbBuf < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  // The record comes first, its strings after it at the end of the buffer part used.
  LPBYTE strings = pPorts + ((Level == 1) ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W));
  auto* port = reinterpret_cast<LPWSTR>(strings);
  CopyMemory(port, kPortName, portBytes);
  if (Level == 1) {
    auto* info = reinterpret_cast<PORT_INFO_1W*>(pPorts);
    info->pName = port;
  } else {
    auto* monitor = reinterpret_cast<LPWSTR>(strings + portBytes);
    CopyMemory(monitor, kMonitorName, monitorBytes);
    auto* desc = reinterpret_cast<LPWSTR>(strings + portBytes + monitorBytes);
    CopyMemory(desc, kPortDescription, descBytes);
    auto* info = reinterpret_cast<PORT_INFO_2W*>(pPorts);
    info->pPortName = port;
    info->pMonitorName = monitor;
    info->pDescription = desc;
    info->fPortType = PORT_TYPE_WRITE;
    info->Reserved = 0;
  }
  *pcReturned = 1;
  return TRUE;
}

BOOL WINAPI QvOpenPort(HANDLE hMonitor, LPWSTR pName, PHANDLE pHandle) {
  if (pHandle == nullptr || !IsMonitor(hMonitor)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pHandle = nullptr;
  if (!IsProductPort(pName)) {
    SetLastError(ERROR_UNKNOWN_PORT);
    return FALSE;
  }
  auto* port = NewRecord<PortState>();
  if (port == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  port->magic = kPortMagic;
  InitializeCriticalSection(&port->lock);
  port->file = INVALID_HANDLE_VALUE;
  port->jobId = 0;
  port->inDoc = false;
  port->printerName[0] = L'\0';
  port->jobPath[0] = L'\0';
  *pHandle = port;
  return TRUE;
}

// Language monitors only; a port monitor is never asked for it.
BOOL WINAPI QvOpenPortEx(HANDLE, HANDLE, LPWSTR, LPWSTR, PHANDLE pHandle, struct _MONITOR2*) {
  if (pHandle != nullptr) *pHandle = nullptr;
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI QvStartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level,
                           LPBYTE pDocInfo) {
  PortState* port = AsPort(hPort);
  if (port == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (Level != 1 && Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (pDocInfo == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  EnterCriticalSection(&port->lock);
  BOOL result = FALSE;
  if (port->inDoc) {
    // A repeated start of the same job keeps the open file; another job must wait for EndDoc.
    result = (port->jobId == JobId);
    if (!result) SetLastError(ERROR_BUSY);
  } else {
    HANDLE file = orbmon::CreateJobFile(JobId, port->jobPath, MAX_PATH);
    if (file != INVALID_HANDLE_VALUE) {
      port->file = file;
      port->jobId = JobId;
      port->inDoc = true;
      port->printerName[0] = L'\0';
      if (pPrinterName != nullptr &&
          FAILED(StringCchCopyW(port->printerName, kMaxPrinterName, pPrinterName))) {
        port->printerName[0] = L'\0';  // a name too long to keep is not notified
      }
      result = TRUE;
    } else {
      port->jobPath[0] = L'\0';
    }
  }
  DWORD err = GetLastError();
  LeaveCriticalSection(&port->lock);
  SetLastError(err);
  return result;
}

BOOL WINAPI QvWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
  if (pcbWritten != nullptr) *pcbWritten = 0;
  PortState* port = AsPort(hPort);
  if (port == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (pcbWritten == nullptr || (pBuffer == nullptr && cbBuf != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  EnterCriticalSection(&port->lock);
  BOOL result = FALSE;
  if (!port->inDoc || port->file == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);  // no document started on this port
  } else if (cbBuf == 0) {
    result = TRUE;
  } else {
    DWORD written = 0;
    result = WriteFile(port->file, pBuffer, cbBuf, &written, nullptr);
    *pcbWritten = written;
    if (result && written != cbBuf) {
      result = FALSE;
      SetLastError(ERROR_WRITE_FAULT);
    }
  }
  DWORD err = GetLastError();
  LeaveCriticalSection(&port->lock);
  SetLastError(err);
  return result;
}

BOOL WINAPI QvReadPort(HANDLE hPort, LPBYTE, DWORD, LPDWORD pcbRead) {
  if (pcbRead != nullptr) *pcbRead = 0;
  SetLastError(AsPort(hPort) == nullptr ? ERROR_INVALID_HANDLE : ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI QvEndDocPort(HANDLE hPort) {
  PortState* port = AsPort(hPort);
  if (port == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  EnterCriticalSection(&port->lock);
  bool wasInDoc = port->inDoc;
  DWORD jobId = port->jobId;
  wchar_t printerName[kMaxPrinterName];
  CopyMemory(printerName, port->printerName, sizeof(printerName));
  bool ok = EndDocLocked(port);
  DWORD err = GetLastError();
  LeaveCriticalSection(&port->lock);
  if (wasInDoc) NotifyJobSent(printerName, jobId);
  if (!ok) {
    SetLastError(err);
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI QvClosePort(HANDLE hPort) {
  PortState* port = AsPort(hPort);
  if (port == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  EnterCriticalSection(&port->lock);
  EndDocLocked(port);
  port->magic = kDeadMagic;
  LeaveCriticalSection(&port->lock);
  DeleteCriticalSection(&port->lock);
  FreeRecord(port);
  return TRUE;
}

// The one port is fixed: it cannot be added, configured or deleted.
BOOL WINAPI QvAddPort(HANDLE, LPWSTR, HWND, LPWSTR) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI QvAddPortEx(HANDLE, LPWSTR, DWORD, LPBYTE, LPWSTR) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI QvConfigurePort(HANDLE, LPWSTR, HWND, LPWSTR) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI QvDeletePort(HANDLE, LPWSTR, HWND, LPWSTR) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI QvGetPrinterDataFromPort(HANDLE hPort, DWORD, LPWSTR, LPWSTR, DWORD, LPWSTR, DWORD,
                                     LPDWORD lpcbReturned) {
  if (lpcbReturned != nullptr) *lpcbReturned = 0;
  SetLastError(AsPort(hPort) == nullptr ? ERROR_INVALID_HANDLE : ERROR_NOT_SUPPORTED);
  return FALSE;
}

// Writes go to a local file: there is no time-out to set, and accepting is harmless.
BOOL WINAPI QvSetPortTimeOuts(HANDLE hPort, LPCOMMTIMEOUTS, DWORD) {
  if (AsPort(hPort) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

// The spooler opens an Xcv handle on the monitor (",XcvMonitor Quintavera:") or on a port
// (",XcvPort Quintavera:"); both are accepted and answer only "MonitorUI" with no UI DLL.
BOOL WINAPI QvXcvOpenPort(HANDLE hMonitor, LPCWSTR, ACCESS_MASK GrantedAccess, PHANDLE phXcv) {
  if (phXcv == nullptr || !IsMonitor(hMonitor)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *phXcv = nullptr;
  auto* xcv = NewRecord<XcvState>();
  if (xcv == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  xcv->magic = kXcvMagic;
  xcv->access = GrantedAccess;
  *phXcv = xcv;
  return TRUE;
}

DWORD WINAPI QvXcvDataPort(HANDLE hXcv, LPCWSTR pszDataName, PBYTE, DWORD, PBYTE, DWORD,
                           PDWORD pcbOutputNeeded) {
  if (pcbOutputNeeded != nullptr) *pcbOutputNeeded = 0;
  if (AsXcv(hXcv) == nullptr) return ERROR_INVALID_HANDLE;
  if (pszDataName == nullptr) return ERROR_INVALID_PARAMETER;
  return ERROR_NOT_SUPPORTED;
}

BOOL WINAPI QvXcvClosePort(HANDLE hXcv) {
  XcvState* xcv = AsXcv(hXcv);
  if (xcv == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  xcv->magic = kDeadMagic;
  FreeRecord(xcv);
  return TRUE;
}

VOID WINAPI QvShutdown(HANDLE hMonitor) {
  if (!IsMonitor(hMonitor)) return;
  auto* monitor = static_cast<MonitorState*>(hMonitor);
  monitor->magic = kDeadMagic;
  FreeRecord(monitor);
}

DWORD WINAPI QvSendRecvBidiDataFromPort(HANDLE hPort, DWORD, LPCWSTR, PBIDI_REQUEST_CONTAINER,
                                        PBIDI_RESPONSE_CONTAINER* ppResData) {
  if (ppResData != nullptr) *ppResData = nullptr;
  return AsPort(hPort) == nullptr ? ERROR_INVALID_HANDLE : ERROR_NOT_SUPPORTED;
}

// Windows 7 and later tell the monitor which of its ports printers use; nothing depends on it here.
DWORD WINAPI QvNotifyUsedPorts(HANDLE hMonitor, DWORD, PCWSTR*) {
  return IsMonitor(hMonitor) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

DWORD WINAPI QvNotifyUnusedPorts(HANDLE hMonitor, DWORD, PCWSTR*) {
  return IsMonitor(hMonitor) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// The table, entry by entry in MONITOR2 order.
// clang-format off
MONITOR2 g_monitor2 = {
    sizeof(MONITOR2),
    QvEnumPorts,
    QvOpenPort,
    QvOpenPortEx,
    QvStartDocPort,
    QvWritePort,
    QvReadPort,
    QvEndDocPort,
    QvClosePort,
    QvAddPort,
    QvAddPortEx,
    QvConfigurePort,
    QvDeletePort,
    QvGetPrinterDataFromPort,
    QvSetPortTimeOuts,
    QvXcvOpenPort,
    QvXcvDataPort,
    QvXcvClosePort,
    QvShutdown,
    QvSendRecvBidiDataFromPort,
    QvNotifyUsedPorts,
    QvNotifyUnusedPorts,
};
// clang-format on

// Records the port under the monitor's registry root, through the spooler's registry functions.
// Wine 8's spooler hands over MONITORREG functions that are stubs, but its registry root is a
// real registry key: when the spooler's function fails, the key is created with the registry API
// under that root (on Windows, where the root is a spooler handle, that call fails harmlessly).
// Best effort either way: a failure must not stop the monitor from loading.
void RegisterPortKey(const MONITORINIT* init) {
  if (init->cbSize < sizeof(MONITORINIT) || init->hckRegistryRoot == nullptr) return;
  const MONITORREG* reg = init->pMonitorReg;
  if (reg != nullptr && reg->cbSize >= sizeof(MONITORREG) && reg->fpCreateKey != nullptr &&
      reg->fpCloseKey != nullptr) {
    HANDLE key = nullptr;
    DWORD disposition = 0;
    LONG rc = reg->fpCreateKey(init->hckRegistryRoot, kPortKey, REG_OPTION_NON_VOLATILE,
                               KEY_READ | KEY_WRITE, nullptr, &key, &disposition, init->hSpooler);
    if (rc == ERROR_SUCCESS) {
      if (key != nullptr) reg->fpCloseKey(key, init->hSpooler);
      return;
    }
  }
  HKEY key = nullptr;
  if (RegCreateKeyExW(reinterpret_cast<HKEY>(init->hckRegistryRoot), kPortKey, 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegCloseKey(key);
  }
}

}  // namespace

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT pMonitorInit, PHANDLE phMonitor) {
  if (pMonitorInit == nullptr || phMonitor == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  *phMonitor = nullptr;
  auto* monitor = NewRecord<MonitorState>();
  if (monitor == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  monitor->magic = kMonitorMagic;
  RegisterPortKey(pMonitorInit);
  *phMonitor = monitor;
  return &g_monitor2;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
