// What stands at a path, from GetFileAttributesW.
#include "os/path_kind.h"

#include "os/windows_api.h"

namespace qv {

PathKind KindOfPath(const wchar_t* path) {
  const DWORD attributes = Os().GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kNothing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kDirectory : PathKind::kFile;
}

}  // namespace qv
