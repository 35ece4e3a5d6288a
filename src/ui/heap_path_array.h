// A zero-filled array of path slots on the program's private heap, each holding a path of up to
// kMaxPathChars characters and its terminating zero, for the paths handed to a file-list run (command
// line, drop); cleared and freed when it goes.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/system_folders.h"
#include "ui/process.h"

namespace qv {

class HeapPathArray {
 public:
  static constexpr size_t kPathChars = kMaxPathChars + 1;

  explicit HeapPathArray(size_t count) : count_(count) {
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
  wchar_t* at(size_t i) { return block_ + i * kPathChars; }

 private:
  size_t Bytes() const { return count_ * kPathChars * sizeof(wchar_t); }
  size_t count_;
  wchar_t* block_ = nullptr;
};

}  // namespace qv
