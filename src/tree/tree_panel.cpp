// The folder-tree column: its cursors, keyboard hook, menu flag and drop handling.
#include "tree/tree_panel.h"

#include <utility>

#include "platform/system_folders.h"
#include "resources/resource.h"
#include "ui/process.h"

namespace qv {

const wchar_t kTreePanelClass[] = L"Quorvix_trbase_class";

namespace {

bool IsMouseButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

}  // namespace

HWND TreePanel::Create(HWND parent, int width, int height) {
  RegisterClass(kTreePanelClass, nullptr, LoadCursorW(nullptr, IDC_ARROW),
                reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
  static const int kIds[3] = {IDC_TREE_INPUT, IDC_TREE_OUTPUT, IDC_TREE_BOTH};
  for (int i = 0; i < 3; ++i) cursors_[i] = LoadCursorW(Process().instance, MAKEINTRESOURCEW(kIds[i]));
  if (WindowBase::Create(0, kTreePanelClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                         parent, IDC_TREE_PANEL) == nullptr)
    return nullptr;
  hook_.Reset(SetWindowsHookExW(WH_KEYBOARD, CursorHook, nullptr, GetCurrentThreadId()));
  return Handle();
}

HCURSOR TreePanel::ModeCursor(int treeMode) const {
  if (treeMode == 0) return cursors_[0];
  if (treeMode == 1) return cursors_[1];
  return cursors_[2];
}

TreePanel::DropHandler TreePanel::SetDropHandler(DropHandler handler) {
  return std::exchange(drop_, std::move(handler));
}

bool TreePanel::IsView(HWND window) const {
  return view_ != nullptr && window != nullptr && (window == view_ || IsChild(view_, window));
}

void TreePanel::TakeDroppedFolder(const std::wstring& folder) const {
  if (drop_ && IsExistingFolder(folder)) drop_(folder);
}

void TreePanel::OnKey(WPARAM key, LPARAM flags) const {
  const bool released = (flags & 0x80000000) != 0;
  const bool repeated = (flags & 0x40000000) != 0;
  if (!released && !repeated) {
    if (key == VK_SHIFT)
      SetCursor(cursors_[0]);
    else if (key == VK_CONTROL)
      SetCursor(cursors_[1]);
  } else if (released && (key == VK_SHIFT || key == VK_CONTROL)) {
    SetCursor(ModeCursor(options_.TvIOSet));
  }
}

LRESULT CALLBACK TreePanel::CursorHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    POINT point{};
    GetCursorPos(&point);
    // The hook has no object of its own: the window under the cursor leads to the panel that holds it.
    HWND under = WindowFromPoint(point);
    const TreePanel* panel = under != nullptr ? FromHandle<TreePanel>(GetParent(under)) : nullptr;
    if (panel != nullptr && panel->view_ == under && !panel->menuOpen_) panel->OnKey(wParam, lParam);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT TreePanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsMouseButtonDown(message)) SetFocus(GetAncestor(Handle(), GA_ROOT));
  return Default(message, wParam, lParam);
}

}  // namespace qv
