// InstallContext: the record of one install or uninstall run.
//
// RunInstall and RunUninstall each fill one with InitInstallContext (program/run_setup.h), pass it
// by reference to every step and release it with FreeInstallContext. It owns the run's directories,
// its log, the printer snapshot and the lists the steps hand to each other; the file-name fields
// point to constants. Steps may keep pointers into printerSnapshot only while the context lives.
// One thread; never copied.
#pragma once

#include <windows.h>

#include "base/text_buffer.h"
#include "context/file_name_list.h"
#include "context/printer_list.h"
#include "context/saved_printer_settings.h"
#include "os/scoped_handles.h"

namespace qv {

// Setup flags: the x64 file set, and no tray program.
constexpr unsigned kSetupX64 = 2;
constexpr unsigned kSetupNoTray = 4;

struct InstallContext {
  InstallContext() = default;
  ~InstallContext();
  InstallContext(const InstallContext&) = delete;
  InstallContext& operator=(const InstallContext&) = delete;

  TextBuffer moduleDir;  // the installer's own directory, with its ending separator
  TextBuffer systemDir;  // the system directory, ending in a backslash
  TextBuffer logText;    // the install log, every line ended by CR LF
  TextBuffer driverDir;  // the spooler's driver directory for `environment`, ending in a backslash
  const wchar_t* environment = L"";
  const wchar_t* monitorFile = L"";
  const wchar_t* driverFile = L"";
  const wchar_t* helpFile = L"";
  const wchar_t* uiFile = L"";
  bool is64 = false;
  bool reinstall = false;
  bool installMonitor = true;
  bool startTray = true;
  bool copyMonitor = true;
  int32_t errorCount = 0;
  int32_t indent = 0;
  FileNameList pendingDeletes;
  SavedSettingsList savedSettings;
  PrinterList printerSnapshot;
  // Null-terminated array of pointers into printerSnapshot: the printers moved off the product
  // port by the monitor removal. Absent when empty.
  GlobalBlock monitorPrinters;

  PRINTER_INFO_2W** MonitorPrinters() const {
    return static_cast<PRINTER_INFO_2W**>(monitorPrinters.Get());
  }
};

// The process's instance handle, stored by WinMain before anything else.
extern HINSTANCE g_instance;

// Releases everything the context owns; the run's setup (program/run_setup.h) fills it again.
void FreeInstallContext(InstallContext& ctx);

}  // namespace qv
