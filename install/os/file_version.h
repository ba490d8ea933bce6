// The build number a file's version resource carries.
#pragma once

#include <cstdint>

namespace qv {

// The fourth number of the file's product version (0 to 65535), or -1.
int32_t QueryFileBuildNumber(const wchar_t* path);

}  // namespace qv
