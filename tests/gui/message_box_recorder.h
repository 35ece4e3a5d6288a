// Recorders that stand in for the program's message boxes and help viewer for the length of a test:
// what would have been shown is kept, the answer is the test's.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "about/help.h"
#include "ui/message_box.h"

namespace qv::guitest {

struct RecordedBox {
  HWND owner = nullptr;
  std::wstring text;
  std::wstring caption;
  UINT type = 0;
};

// A recorder stands in for a process-wide function while it lives: it is neither copied nor assigned.
class InstalledRecorder {
 public:
  InstalledRecorder(const InstalledRecorder&) = delete;
  InstalledRecorder& operator=(const InstalledRecorder&) = delete;

 protected:
  InstalledRecorder() = default;
  ~InstalledRecorder() = default;
};

// Installs itself as the message-box function while it lives (one at a time) and restores the previous one.
class MessageBoxRecorder : InstalledRecorder {
 public:
  MessageBoxRecorder();
  ~MessageBoxRecorder();

  // The texts of the boxes shown so far, in order.
  std::vector<std::wstring> Texts() const;

  std::vector<RecordedBox> boxes;
  // The button a box returns; IDOK while unset.
  std::function<int(const RecordedBox&)> answer;

 private:
  static int Record(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
  static MessageBoxRecorder* current_;
  MessageBoxFunction previous_ = nullptr;
};

struct HelpRequest {
  std::wstring file;
  unsigned context = 0;
};

// Installs itself as the help-topic function while it lives and restores the previous one.
class HelpRecorder : InstalledRecorder {
 public:
  HelpRecorder();
  ~HelpRecorder();

  std::vector<HelpRequest> requests;

 private:
  static void Record(const wchar_t* file, unsigned context);
  static HelpRecorder* current_;
  HelpTopicFunction previous_ = nullptr;
};

}  // namespace qv::guitest
