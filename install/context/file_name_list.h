// FileNameList: the run's list of files whose deletion failed, newest first, no exact duplicates.
#pragma once

namespace qv {

struct FileNameNode {
  wchar_t* name;  // owned full path
  FileNameNode* next;
};

// Owns its nodes; a list is its first node, empty when null.
struct FileNameList {
  FileNameNode* head = nullptr;

  FileNameList() = default;
  ~FileNameList();
  FileNameList(const FileNameList&) = delete;
  FileNameList& operator=(const FileNameList&) = delete;

  bool Empty() const { return head == nullptr; }
};

// Adds a copy of `name` at the front unless an equal name (code unit by code unit) is listed.
void AddFileName(FileNameList& list, const wchar_t* name);
// Releases every node and name; the list is empty afterwards.
void FreeFileNameList(FileNameList& list);

}  // namespace qv
