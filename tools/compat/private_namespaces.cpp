// The layer's private namespaces. Wine has one account, so a boundary keeps nobody out; what the
// installer relies on stays: a name "<alias>\<name>" lands in the namespace, which is created
// once (ERROR_ALREADY_EXISTS after), opened while a process has it open, and gone with its last
// handle. The namespace is a directory object "<alias>" among the session's named objects (Wine
// has one session), so kernel32 finds "<alias>\<name>" in it.
#include "private_namespaces.h"

#include <winternl.h>

#include <cwchar>

#include "import_patch.h"

extern "C" {
NTSTATUS NTAPI NtCreateDirectoryObject(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
NTSTATUS NTAPI NtOpenDirectoryObject(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
}

namespace qvcompat {
namespace {

constexpr DWORD kBoundaryMagic = 0x444E4251;  // "QBND"
constexpr ACCESS_MASK kDirectoryAllAccess = STANDARD_RIGHTS_REQUIRED | 0xF;
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);

struct Boundary {
  DWORD magic;
};

bool IsBoundary(const void* boundary) {
  return boundary && static_cast<const Boundary*>(boundary)->magic == kBoundaryMagic;
}

// The session's named objects, where kernel32 looks names up.
HANDLE SessionObjects() {
  DWORD session = 0;
  ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
  wchar_t path[64];
  std::swprintf(path, 64, L"\\Sessions\\%lu\\BaseNamedObjects",
                static_cast<unsigned long>(session));
  UNICODE_STRING name;
  ::RtlInitUnicodeString(&name, path);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &name, 0, nullptr, nullptr);
  HANDLE directory = nullptr;
  return NtOpenDirectoryObject(&directory, kDirectoryAllAccess, &attributes) >= 0 ? directory
                                                                                  : nullptr;
}

// Creates or opens the directory `alias`; null with the last error set on failure.
HANDLE NamespaceDirectory(LPCWSTR alias, PSECURITY_DESCRIPTOR descriptor, bool create) {
  HANDLE root = SessionObjects();
  if (!root) {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  UNICODE_STRING name;
  ::RtlInitUnicodeString(&name, alias);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &name, 0, root, descriptor);
  HANDLE directory = nullptr;
  const NTSTATUS status =
      create ? NtCreateDirectoryObject(&directory, kDirectoryAllAccess, &attributes)
             : NtOpenDirectoryObject(&directory, kDirectoryAllAccess, &attributes);
  ::CloseHandle(root);
  if (status >= 0) return directory;
  ::SetLastError(status == kNameCollision ? ERROR_ALREADY_EXISTS : ::RtlNtStatusToDosError(status));
  return nullptr;
}

HANDLE WINAPI CompatCreateBoundaryDescriptorW(LPCWSTR name, ULONG) {
  if (!name) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* boundary = static_cast<Boundary*>(::HeapAlloc(::GetProcessHeap(), 0, sizeof(Boundary)));
  if (!boundary) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  boundary->magic = kBoundaryMagic;
  return boundary;
}

BOOL WINAPI CompatAddSIDToBoundaryDescriptor(HANDLE* boundary, PSID sid) {
  if (!boundary || !IsBoundary(*boundary) || !sid || !::IsValidSid(sid)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

VOID WINAPI CompatDeleteBoundaryDescriptor(HANDLE boundary) {
  if (!IsBoundary(boundary)) return;
  static_cast<Boundary*>(boundary)->magic = 0;
  ::HeapFree(::GetProcessHeap(), 0, boundary);
}

HANDLE WINAPI CompatCreatePrivateNamespaceW(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary,
                                            LPCWSTR alias) {
  if (!IsBoundary(boundary) || !alias) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return NamespaceDirectory(alias, attributes ? attributes->lpSecurityDescriptor : nullptr, true);
}

HANDLE WINAPI CompatOpenPrivateNamespaceW(LPVOID boundary, LPCWSTR alias) {
  if (!IsBoundary(boundary) || !alias) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return NamespaceDirectory(alias, nullptr, false);
}

BOOLEAN WINAPI CompatClosePrivateNamespace(HANDLE handle, ULONG) {
  return ::CloseHandle(handle) ? TRUE : FALSE;
}

}  // namespace

int PatchPrivateNamespaces(HMODULE program) {
  const struct {
    const char* name;
    const void* replacement;
  } kCalls[] = {
      {"CreateBoundaryDescriptorW",
       reinterpret_cast<const void*>(&CompatCreateBoundaryDescriptorW)},
      {"AddSIDToBoundaryDescriptor",
       reinterpret_cast<const void*>(&CompatAddSIDToBoundaryDescriptor)},
      {"DeleteBoundaryDescriptor", reinterpret_cast<const void*>(&CompatDeleteBoundaryDescriptor)},
      {"CreatePrivateNamespaceW", reinterpret_cast<const void*>(&CompatCreatePrivateNamespaceW)},
      {"OpenPrivateNamespaceW", reinterpret_cast<const void*>(&CompatOpenPrivateNamespaceW)},
      {"ClosePrivateNamespace", reinterpret_cast<const void*>(&CompatClosePrivateNamespace)},
  };
  int patched = 0;
  for (const auto& call : kCalls) patched += PatchImport(program, call.name, call.replacement);
  return patched;
}

}  // namespace qvcompat
