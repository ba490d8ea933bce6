// Import address table patching of a loaded image.
#include "import_patch.h"

#include <cstring>

namespace qvcompat {
namespace {

template <typename T>
T* AtRva(HMODULE module, DWORD rva) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

bool WriteSlot(ULONG_PTR* slot, const void* value) {
  DWORD previous = 0;
  if (!::VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &previous)) return false;
  *slot = reinterpret_cast<ULONG_PTR>(value);
  DWORD unused = 0;
  ::VirtualProtect(slot, sizeof(*slot), previous, &unused);
  return true;
}

// Patches the slots of one imported DLL whose name table names `function`.
int PatchDescriptor(HMODULE module, const IMAGE_IMPORT_DESCRIPTOR& descriptor,
                    const char* function, const void* replacement) {
  if (!descriptor.OriginalFirstThunk || !descriptor.FirstThunk) return 0;  // no names to match
  auto* names = AtRva<IMAGE_THUNK_DATA>(module, descriptor.OriginalFirstThunk);
  auto* slots = AtRva<IMAGE_THUNK_DATA>(module, descriptor.FirstThunk);
  int patched = 0;
  for (; names->u1.AddressOfData; ++names, ++slots) {
    if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
    auto* byName = AtRva<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
    if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
    if (WriteSlot(&slots->u1.Function, replacement)) ++patched;
  }
  return patched;
}

}  // namespace

int PatchImport(HMODULE module, const char* function, const void* replacement) {
  if (!module) return 0;
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(module);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return 0;
  auto* nt = AtRva<IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
  if (nt->Signature != IMAGE_NT_SIGNATURE) return 0;
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!imports.VirtualAddress || imports.Size < sizeof(IMAGE_IMPORT_DESCRIPTOR)) return 0;
  int patched = 0;
  for (auto* descriptor = AtRva<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress);
       descriptor->Name; ++descriptor) {
    patched += PatchDescriptor(module, *descriptor, function, replacement);
  }
  return patched;
}

}  // namespace qvcompat
