// Writing the carried installer out of this DLL's resources.
#include "embedded_installer.h"

#include "scoped_handle.h"

namespace qvmsi {

bool WriteEmbeddedInstaller(HMODULE self, const std::wstring& path) {
  HRSRC resource = ::FindResourceW(self, QV_EMBEDDED_INSTALLER, RT_RCDATA);
  HGLOBAL loaded = resource ? ::LoadResource(self, resource) : nullptr;
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  const DWORD size = resource ? ::SizeofResource(self, resource) : 0;
  if (!bytes || size == 0) return false;
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), bytes, size, &written, nullptr) && written == size;
}

}  // namespace qvmsi
