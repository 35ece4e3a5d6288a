// The main window's keyboard navigation over the system's dialog manager.
#include "shell/main_window_keys.h"

#include <commctrl.h>

#include "shell/main_window.h"

namespace qv {

namespace {

constexpr int kTabCount = 3;

bool KeyHeld(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool IsKeyDown(UINT message) { return message == WM_KEYDOWN || message == WM_SYSKEYDOWN; }

// Shift+F10 or the menu key, pressed or released.
bool IsMenuKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP && msg.message != WM_SYSKEYDOWN &&
      msg.message != WM_SYSKEYUP)
    return false;
  return msg.wParam == VK_APPS || (msg.wParam == VK_F10 && KeyHeld(VK_SHIFT));
}

// The menu of the tree opens on the key's press; its release is swallowed too, so that the system's
// own handling of the menu key does not open it a second time.
bool OpenTreeMenuByKey(MainWindow& window, const MSG& msg) {
  HWND view = window.tree().View();
  if (view == nullptr || msg.hwnd != view || !IsMenuKey(msg)) return false;
  if (IsKeyDown(msg.message))
    SendMessageW(window.tree().Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view), MAKELPARAM(-1, -1));
  return true;
}

HWND PageOfTab(MainWindow& window, int index) {
  switch (index) {
    case 0: return window.outputPage().Handle();
    case 1: return window.inputPage().Handle();
    default: return window.optionsPage().Handle();
  }
}

// Ctrl+Tab: the next tab page (Ctrl+Shift+Tab the previous one, both round), with the focus on the
// page's first control.
bool SwitchTabByKey(MainWindow& window, const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !KeyHeld(VK_CONTROL)) return false;
  const int current = static_cast<int>(SendMessageW(window.Tab(), TCM_GETCURSEL, 0, 0));
  const int step = KeyHeld(VK_SHIFT) ? kTabCount - 1 : 1;
  const int next = ((current < 0 ? 0 : current) + step) % kTabCount;
  window.SelectTab(next);
  HWND page = PageOfTab(window, next);
  HWND first = page != nullptr ? GetNextDlgTabItem(page, nullptr, FALSE) : nullptr;
  if (first != nullptr && IsChild(page, first)) SetFocus(first);
  return true;
}

// Enter on a focused push button presses it, as in dialogs (the main window has no default button).
bool PressFocusedButton(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN) return false;
  HWND focus = GetFocus();
  if (focus == nullptr || focus != msg.hwnd) return false;
  const LRESULT code = SendMessageW(focus, WM_GETDLGCODE, 0, 0);
  if ((code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) == 0) return false;
  SendMessageW(focus, BM_CLICK, 0, 0);
  return true;
}

bool IsRadioButton(HWND window) {
  return window != nullptr && (SendMessageW(window, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

// Tab into a group of option buttons lands on its first button; the focus belongs on the chosen one.
void FocusChosenRadioButton() {
  HWND focus = GetFocus();
  if (!IsRadioButton(focus) || SendMessageW(focus, BM_GETCHECK, 0, 0) == BST_CHECKED) return;
  HWND item = focus;
  do {
    item = GetNextDlgGroupItem(GetParent(focus), item, FALSE);
    if (IsRadioButton(item) && SendMessageW(item, BM_GETCHECK, 0, 0) == BST_CHECKED) {
      SetFocus(item);
      return;
    }
  } while (item != nullptr && item != focus);
}

}  // namespace

bool TranslateMainWindowMessage(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || msg.hwnd == nullptr) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  MainWindow* window = WindowBase::FromHandle<MainWindow>(root);
  if (window == nullptr || window->RunActive()) return false;
  if (OpenTreeMenuByKey(*window, msg) || SwitchTabByKey(*window, msg) || PressFocusedButton(msg)) return true;
  const bool tab = msg.message == WM_KEYDOWN && msg.wParam == VK_TAB;
  if (!IsDialogMessageW(root, &msg)) return false;
  if (tab) FocusChosenRadioButton();
  return true;
}

void ArrangeTabOrder(MainWindow& window) {
  // Tab stops follow the order of the windows: the tab control (with the pages inside) goes right after
  // the output folder field, before the progress bar and the buttons.
  SetWindowPos(window.Tab(), window.OutputField(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // The dialog manager looks into a window's children only when it says it holds controls.
  for (HWND holder : {window.tree().Handle(), window.Panel(), window.Tab()})
    SetWindowLongPtrW(holder, GWL_EXSTYLE, GetWindowLongPtrW(holder, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
}

}  // namespace qv
