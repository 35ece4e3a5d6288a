#include "message_box_recorder.h"

namespace qv::guitest {

MessageBoxRecorder* MessageBoxRecorder::current_ = nullptr;
HelpRecorder* HelpRecorder::current_ = nullptr;

MessageBoxRecorder::MessageBoxRecorder() : previous_(SetMessageBoxFunction(Record)) { current_ = this; }

MessageBoxRecorder::~MessageBoxRecorder() {
  SetMessageBoxFunction(previous_);
  current_ = nullptr;
}

std::vector<std::wstring> MessageBoxRecorder::Texts() const {
  std::vector<std::wstring> texts;
  for (const RecordedBox& box : boxes) texts.push_back(box.text);
  return texts;
}

int MessageBoxRecorder::Record(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  if (current_ == nullptr) return IDOK;
  current_->boxes.push_back(RecordedBox{owner, text, caption != nullptr ? caption : L"", type});
  return current_->answer ? current_->answer(current_->boxes.back()) : IDOK;
}

HelpRecorder::HelpRecorder() : previous_(SetHelpTopicFunction(Record)) { current_ = this; }

HelpRecorder::~HelpRecorder() {
  SetHelpTopicFunction(previous_);
  current_ = nullptr;
}

void HelpRecorder::Record(const wchar_t* file, unsigned context) {
  if (current_ != nullptr) current_->requests.push_back(HelpRequest{file != nullptr ? file : L"", context});
}

}  // namespace qv::guitest
