// The taskbar button's progress through the shell's ITaskbarList3.
#include "ui/taskbar_progress.h"

namespace qv {

namespace {

TBPFLAG FlagOf(TaskbarState state) {
  switch (state) {
    case TaskbarState::kNormal: return TBPF_NORMAL;
    case TaskbarState::kError: return TBPF_ERROR;
    case TaskbarState::kPaused: return TBPF_PAUSED;
    case TaskbarState::kNone: break;
  }
  return TBPF_NOPROGRESS;
}

}  // namespace

UINT TaskbarButtonCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarButtonCreated");
  return message;
}

bool TaskbarButton::EnsureList() {
  if (list_ != nullptr) return true;
  if (failed_ || window_ == nullptr) return false;
  HRESULT hr = CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(list_.GetAddressOf()));
  if (SUCCEEDED(hr)) hr = list_->HrInit();
  if (FAILED(hr)) {
    list_.Reset();
    failed_ = true;
    return false;
  }
  return true;
}

void TaskbarButton::ButtonCreated() {
  list_.Reset();
  failed_ = false;
  if (state_ == TaskbarState::kNone || !EnsureList()) return;
  list_->SetProgressState(window_, FlagOf(state_));
  if (total_ > 0) list_->SetProgressValue(window_, static_cast<ULONGLONG>(done_), static_cast<ULONGLONG>(total_));
}

void TaskbarButton::SetState(TaskbarState state) {
  state_ = state;
  if (!EnsureList()) return;
  list_->SetProgressState(window_, FlagOf(state));
}

void TaskbarButton::SetValue(int done, int total) {
  if (total <= 0) return;
  done_ = done;
  total_ = total;
  if (!EnsureList()) return;
  list_->SetProgressValue(window_, static_cast<ULONGLONG>(done), static_cast<ULONGLONG>(total));
}

}  // namespace qv
