// Facts about one file for the state report: whether it exists and its version resource.
#pragma once

#include <string>

namespace qvstate {

bool FileExists(const std::wstring& path);

// The product version of the file's version resource as "a.b.c.d", or "(none)".
std::wstring FileVersion(const std::wstring& path);

// "file: <path> | exists=yes | version=a.b.c.d"
void ReportFile(const std::wstring& path);

}  // namespace qvstate
