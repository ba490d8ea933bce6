// FileNameList: the run's list of files whose deletion failed.
#include "context/file_name_list.h"

#include <cwchar>
#include <new>

namespace qv {

FileNameList::~FileNameList() { FreeFileNameList(*this); }

void AddFileName(FileNameList& list, const wchar_t* name) {
  if (!name) return;
  for (const FileNameNode* node = list.head; node; node = node->next) {
    if (std::wcscmp(node->name, name) == 0) return;
  }
  const size_t length = std::wcslen(name);
  wchar_t* copy = new (std::nothrow) wchar_t[length + 1];
  if (!copy) return;
  std::wmemcpy(copy, name, length + 1);
  FileNameNode* node = new (std::nothrow) FileNameNode{copy, list.head};
  if (!node) {
    delete[] copy;
    return;
  }
  list.head = node;
}

void FreeFileNameList(FileNameList& list) {
  while (FileNameNode* node = list.head) {
    list.head = node->next;
    delete[] node->name;
    delete node;
  }
}

}  // namespace qv
