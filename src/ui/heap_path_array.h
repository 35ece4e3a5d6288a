// A zero-filled array of path slots on the program's private heap, each with room for the longest of the
// paths it is made for and its terminating zero, for the paths handed to a file-list run (command line,
// drop); cleared and freed when it goes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cwchar>
#include <string>

#include "ui/process.h"

namespace qv {

class HeapPathArray {
 public:
  // `count` slots of `longestPath` characters each, plus the terminating zero.
  HeapPathArray(size_t count, size_t longestPath) : count_(count), slotChars_(longestPath + 1) {
    if (Process().heap != nullptr && count > 0)
      block_ = static_cast<wchar_t*>(HeapAlloc(Process().heap, HEAP_ZERO_MEMORY, Bytes()));
  }
  ~HeapPathArray() {
    if (block_ == nullptr) return;
    SecureZeroMemory(block_, Bytes());
    HeapFree(Process().heap, 0, block_);
  }
  HeapPathArray(const HeapPathArray&) = delete;
  HeapPathArray& operator=(const HeapPathArray&) = delete;

  bool ok() const { return block_ != nullptr; }
  wchar_t* at(size_t i) { return block_ + i * slotChars_; }
  // Copies `path` (at most the slot's length, which the constructor made room for) into slot `i`.
  void Set(size_t i, const std::wstring& path) {
    const size_t length = path.size() < slotChars_ ? path.size() : slotChars_ - 1;
    wmemcpy(at(i), path.c_str(), length);
    at(i)[length] = L'\0';
  }

 private:
  size_t Bytes() const { return count_ * slotChars_ * sizeof(wchar_t); }
  size_t count_;
  size_t slotChars_;
  wchar_t* block_ = nullptr;
};

}  // namespace qv
