// The folder an action keeps its work files in (the carried installer's copy, the installer's
// logs): made fresh for the action under a random name, owned by Administrators, writable only
// by SYSTEM and Administrators, and removed with its files when the action ends. A folder of
// that name made by anyone before is never used, nor touched.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qvmsi {

class WorkFolder {
 public:
  WorkFolder();
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  // False when no folder could be made (Error() says why).
  bool Made() const { return !folder_.empty(); }
  DWORD Error() const { return error_; }
  const std::wstring& Path() const { return folder_; }
  // The path of a work file in the folder, removed with it.
  std::wstring File(const std::wstring& name);

 private:
  std::wstring folder_;  // with its ending backslash
  std::vector<std::wstring> files_;
  DWORD error_ = ERROR_SUCCESS;
};

// The folder Windows gives an elevated run for temporary files: GetTempPath2W where Windows has
// it (C:\Windows\SystemTemp for SYSTEM), else GetTempPathW. With its ending backslash; empty when
// neither answers.
std::wstring ElevatedTempFolder();

}  // namespace qvmsi
