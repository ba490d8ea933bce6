// Private namespaces of kernel objects, which Wine 8 does not have: CreateBoundaryDescriptorW is
// a stub answering NULL, and AddSIDToBoundaryDescriptor, CreatePrivateNamespaceW,
// OpenPrivateNamespaceW, ClosePrivateNamespace and DeleteBoundaryDescriptor are missing (a call
// ends the process). The layer gives them to the installer's main module.
#pragma once

#include <windows.h>

namespace qvcompat {

// Points the main module's imports of the six calls at the layer's; returns the slots changed.
int PatchPrivateNamespaces(HMODULE program);

}  // namespace qvcompat
