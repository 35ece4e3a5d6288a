// Small helpers for building windows: child controls with the user-interface font, tooltips.
#include <windows.h>
#include <commctrl.h>

#include "shell/app_state.h"
#include "shell/pages.h"

namespace qv {

HWND CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                   int height, int id, DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, className, text, style | WS_CHILD, x, y, width, height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), App().instance, nullptr);
  if (control != nullptr && App().uiFont != nullptr)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(App().uiFont), FALSE);
  return control;
}

int TextWidthIn(HWND control, const std::wstring& text) {
  HDC dc = GetDC(control);
  if (dc == nullptr) return 0;
  auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

void AddTooltip(HWND control, const wchar_t* text) {
  if (App().tooltip == nullptr || control == nullptr) return;
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = GetParent(control);
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(App().tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace qv
