// PrivateNamespace: the boundary descriptor, then the namespace created or opened.
#include "os/private_namespace.h"

#include <sddl.h>

namespace qv {
namespace {

// Between a creation that finds the namespace and the opening, its last holder may close it: the
// creation is tried again, this many times.
constexpr int kNamespaceRounds = 3;

}  // namespace

PrivateNamespace::PrivateNamespace(const wchar_t* boundaryName, WELL_KNOWN_SID_TYPE group,
                                   const wchar_t* alias, const wchar_t* access) {
  if (!MakeBoundary(boundaryName, group) || !CreateOrOpen(alias, access)) {
    error_ = Os().GetLastError();
    namespace_.Reset();
  }
}

bool PrivateNamespace::MakeBoundary(const wchar_t* boundaryName, WELL_KNOWN_SID_TYPE group) {
  boundary_.Reset(Os().CreateBoundaryDescriptorW(boundaryName, 0));
  if (!boundary_) return false;
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(sid);
  if (!Os().CreateWellKnownSid(group, nullptr, sid, &size)) return false;
  // AddSIDToBoundaryDescriptor may move the descriptor: it gets the slot, not the value.
  HANDLE descriptor = boundary_.Release();
  const BOOL added = Os().AddSIDToBoundaryDescriptor(&descriptor, sid);
  boundary_.Reset(descriptor);
  return added != FALSE;
}

bool PrivateNamespace::CreateOrOpen(const wchar_t* alias, const wchar_t* access) {
  LocalBlock descriptor;
  if (!Os().ConvertStringSecurityDescriptorToSecurityDescriptorW(
          access, SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive()),
          nullptr)) {
    return false;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
  for (int round = 0; round < kNamespaceRounds; ++round) {
    // CreatePrivateNamespace: "The caller must be within this boundary."
    namespace_.Reset(Os().CreatePrivateNamespaceW(&attributes, boundary_.Get(), alias));
    if (namespace_) return true;
    if (Os().GetLastError() != ERROR_ALREADY_EXISTS) return false;
    namespace_.Reset(Os().OpenPrivateNamespaceW(boundary_.Get(), alias));
    if (namespace_) return true;
    if (Os().GetLastError() == ERROR_ACCESS_DENIED) return false;
  }
  return false;
}

}  // namespace qv
