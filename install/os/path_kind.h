// What stands at a path: nothing, a file or a directory, as its attributes tell.
#pragma once

namespace qv {

enum class PathKind { kNothing, kFile, kDirectory };

PathKind KindOfPath(const wchar_t* path);

}  // namespace qv
