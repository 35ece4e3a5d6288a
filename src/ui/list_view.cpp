// List columns and the end-of-scroll repaint.
#include "ui/list_view.h"

#include <commctrl.h>

#include "ui/dpi.h"

namespace qv {

namespace {

constexpr wchar_t kOriginalProcProperty[] = L"Quorvix.ListProc";

}  // namespace

void AddListColumn(HWND list, int index, const wchar_t* title, int width, int format) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  column.fmt = format;
  column.cx = ScaleFor(list, width);
  column.pszText = const_cast<wchar_t*>(title);
  column.iSubItem = index;
  SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

int ListColumnMargin(HWND list) { return ScaleFor(list, 12); }

void InstallListScrollHook(HWND list) {
  if (list == nullptr || GetPropW(list, kOriginalProcProperty) != nullptr) return;
  const LONG_PTR original = GetWindowLongPtrW(list, GWLP_WNDPROC);
  SetPropW(list, kOriginalProcProperty, reinterpret_cast<HANDLE>(original));
  SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListScrollHook));
}

void RemoveListScrollHook(HWND list) {
  if (list == nullptr) return;
  HANDLE original = GetPropW(list, kOriginalProcProperty);
  if (original == nullptr) return;
  // Someone who subclassed the list after us keeps the hook in the chain; taking it out would cut
  // them off too.
  if (GetWindowLongPtrW(list, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(ListScrollHook)) return;
  SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  RemovePropW(list, kOriginalProcProperty);
}

LRESULT CALLBACK ListScrollHook(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(list, kOriginalProcProperty));
  if (original == nullptr) return DefWindowProcW(list, message, wParam, lParam);
  if (message == WM_VSCROLL && LOWORD(wParam) == SB_ENDSCROLL) {
    CallWindowProcW(original, list, message, wParam, lParam);
    InvalidateRect(list, nullptr, FALSE);
    UpdateWindow(list);
    return 0;
  }
  if (message == WM_NCDESTROY) RemovePropW(list, kOriginalProcProperty);  // last message of the window
  return CallWindowProcW(original, list, message, wParam, lParam);
}

}  // namespace qv
