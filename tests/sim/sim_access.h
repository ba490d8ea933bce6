// The access rights of the simulated Windows: what a registry key, printer or service handle is
// granted when it is opened, and the rights Windows documents for each call made on it.
#pragma once

#include "sim_windows.h"

namespace qv::sim {

// A call that checks its handle: without every right of `needed` it fails with
// ERROR_ACCESS_DENIED and changes nothing.
struct AccessRule {
  const char* function;  // the call, named as the simulated Windows counts it
  SimWindows::HandleKind kind;
  ACCESS_MASK needed;
};

// The rule of `function`; null for a call that checks no rights.
const AccessRule* AccessRuleOf(const char* function);

// The rights a handle of `kind` opened with `desired` holds, for the administrator the installer
// runs as: generic rights become the kind's own, MAXIMUM_ALLOWED all of them, and the flags that
// are no rights (KEY_WOW64_*) none.
ACCESS_MASK GrantedAccess(SimWindows::HandleKind kind, ACCESS_MASK desired);

}  // namespace qv::sim
