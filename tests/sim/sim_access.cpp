// The access rights of the simulated Windows: what a registry key, printer or service handle is
// granted when it is opened, and the rights Windows documents for each call made on it (the rules,
// grouped by the documentation they come from).
#include <cstring>
#include <stdexcept>
#include <string>

#include "sim_windows.h"

namespace qv::sim {
namespace {

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
};

// What each generic right stands for on a kind of object (GENERIC_READ, _WRITE, _EXECUTE, _ALL).
struct GenericMapping {
  Kind kind;
  ACCESS_MASK read, write, execute, all;
};

constexpr GenericMapping kGenericMappings[] = {
    {Kind::kRegKey, KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS},
    {Kind::kPrinter, PRINTER_READ, PRINTER_WRITE, PRINTER_EXECUTE, PRINTER_ALL_ACCESS},
    {Kind::kService,
     STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_INTERROGATE |
         SERVICE_ENUMERATE_DEPENDENTS,
     STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG,
     STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE |
         SERVICE_USER_DEFINED_CONTROL,
     SERVICE_ALL_ACCESS},
};

const AccessRule& AccessRuleOf(const char* function) {
  for (const AccessRule& rule : kAccessRules) {
    if (std::strcmp(rule.function, function) == 0) return rule;
  }
  throw std::logic_error(std::string("no access rule for ") + function);
}

}  // namespace

SimWindows::HandleEntry* SimWindows::Checked(const void* handle, const char* function) {
  const AccessRule& rule = AccessRuleOf(function);
  HandleEntry* entry = FindHandle(handle, rule.kind);
  if (entry && (entry->access & rule.needed) == rule.needed) return entry;
  return Fail<HandleEntry*>(entry ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE, nullptr);
}

ACCESS_MASK GrantedAccess(SimWindows::HandleKind kind, ACCESS_MASK desired) {
  // SC_MANAGER_CONNECT, the one right checked on a service manager, comes with every opening.
  if (kind == Kind::kServiceManager) return desired | SC_MANAGER_CONNECT;
  const GenericMapping* mapping = nullptr;
  for (const GenericMapping& m : kGenericMappings) {
    if (m.kind == kind) mapping = &m;
  }
  if (!mapping) return desired;
  if (desired & MAXIMUM_ALLOWED) desired |= GENERIC_ALL;
  ACCESS_MASK granted = desired & (STANDARD_RIGHTS_ALL | SPECIFIC_RIGHTS_ALL);
  if (desired & GENERIC_READ) granted |= mapping->read;
  if (desired & GENERIC_WRITE) granted |= mapping->write;
  if (desired & GENERIC_EXECUTE) granted |= mapping->execute;
  if (desired & GENERIC_ALL) granted |= mapping->all;
  if (kind == Kind::kRegKey) granted &= ~static_cast<ACCESS_MASK>(KEY_WOW64_RES);
  return granted;
}

}  // namespace qv::sim
