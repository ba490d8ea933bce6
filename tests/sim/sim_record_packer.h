// RecordPacker: records followed by their strings in one caller block, answered with the
// spooler's size-then-fetch protocol (ERROR_INSUFFICIENT_BUFFER with the needed size; no records
// need nothing and succeed).
#pragma once

#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "sim_windows.h"

namespace qv::sim {

class RecordPacker {
 public:
  RecordPacker(size_t recordSize, size_t count)
      : recordSize_(recordSize), records_(recordSize * count, 0) {}

  template <typename Record>
  Record& At(size_t index) {
    return *reinterpret_cast<Record*>(records_.data() + index * recordSize_);
  }
  // Points the field at `text` once the block is written. An empty text leaves the field null,
  // as the spooler does for members it has no value for.
  template <typename Record>
  void String(size_t index, LPWSTR Record::*field, const std::wstring& text) {
    if (text.empty()) return;
    Record& record = At<Record>(index);
    const size_t offset = reinterpret_cast<BYTE*>(&(record.*field)) - records_.data();
    strings_.emplace_back(offset, text);
  }
  // Writes the block; with `returned`, the number of records written.
  BOOL Write(SimWindows& sim, LPBYTE buffer, DWORD size, LPDWORD needed,
             LPDWORD returned = nullptr) {
    if (!buffer && size) return sim.Fail(ERROR_INVALID_USER_BUFFER);  // as the spooler's RPC
    if (records_.empty()) {
      *needed = 0;
      return TRUE;
    }
    size_t total = records_.size();
    for (const auto& s : strings_) total += (s.second.size() + 1) * sizeof(wchar_t);
    *needed = static_cast<DWORD>(total);
    if (!buffer || size < total) return sim.Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, records_.data(), records_.size());
    size_t at = records_.size();
    for (const auto& [offset, text] : strings_) {
      auto* target = reinterpret_cast<wchar_t*>(buffer + at);
      std::wmemcpy(target, text.c_str(), text.size() + 1);
      std::memcpy(buffer + offset, &target, sizeof target);
      at += (text.size() + 1) * sizeof(wchar_t);
    }
    if (returned) *returned = static_cast<DWORD>(records_.size() / recordSize_);
    return TRUE;
  }

 private:
  size_t recordSize_;
  std::vector<BYTE> records_;
  std::vector<std::pair<size_t, std::wstring>> strings_;
};

inline std::wstring Text(LPCWSTR text) { return text ? text : L""; }

// The entries of a comma-separated port list.
std::vector<std::wstring> SplitPorts(const std::wstring& ports);
// Every entry of a comma-separated port list is a port the spooler knows: "file:", "LPT1:" or a
// registered monitor's port.
bool PortsExist(const SimWindows& sim, const std::wstring& ports);

}  // namespace qv::sim
