// A private namespace of kernel objects: names in it ("<alias>\<name>") are reached only through
// the namespace, never through Global\ or a session's names, and only a process within its
// boundary (whose token holds the boundary's group) may create it.
#pragma once

#include <windows.h>

#include "os/scoped_handles.h"

namespace qv {

struct BoundaryTraits {
  using Value = HANDLE;
  static Value Empty() { return nullptr; }
  static void Close(Value v) { Os().DeleteBoundaryDescriptor(v); }
};
// Closed without PRIVATE_NAMESPACE_FLAG_DESTROY: the namespace lives on while another process
// has it open. Destroying it would let a third process create a new namespace, and a new object
// of a name that the second still holds.
struct NamespaceTraits {
  using Value = HANDLE;
  static Value Empty() { return nullptr; }
  static void Close(Value v) { Os().ClosePrivateNamespace(v, 0); }
};

// A scope that has the namespace `alias` of the boundary `boundaryName` holding the well-known
// group `group`: it creates the namespace with the security descriptor `access` (SDDL), or opens
// it when another process has it. The end of the scope closes it.
class PrivateNamespace {
 public:
  PrivateNamespace(const wchar_t* boundaryName, WELL_KNOWN_SID_TYPE group, const wchar_t* alias,
                   const wchar_t* access);
  PrivateNamespace(const PrivateNamespace&) = delete;
  PrivateNamespace& operator=(const PrivateNamespace&) = delete;

  bool IsOpen() const { return namespace_.IsValid(); }
  DWORD Error() const { return error_; }  // why it is not open

 private:
  bool MakeBoundary(const wchar_t* boundaryName, WELL_KNOWN_SID_TYPE group);
  bool CreateOrOpen(const wchar_t* alias, const wchar_t* access);

  ScopedResource<BoundaryTraits> boundary_;  // declared first: it outlives the namespace handle
  ScopedResource<NamespaceTraits> namespace_;
  DWORD error_ = 0;
};

}  // namespace qv
