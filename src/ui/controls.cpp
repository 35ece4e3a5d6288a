// Small helpers for building windows: child controls with the user-interface font, their texts, tooltips.
#include "ui/controls.h"

#include <commctrl.h>

#include "ui/process.h"

namespace qv {

HWND CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                   int height, int id, DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, className, text, style | WS_CHILD, x, y, width, height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Process().instance, nullptr);
  if (control != nullptr && Process().uiFont != nullptr)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Process().uiFont), FALSE);
  return control;
}

int TextWidthIn(HWND control, const std::wstring& text) {
  const WindowDc dc(control);
  if (!dc) return 0;
  auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
  const SelectedObject selected(dc.Get(), font != nullptr ? font : GetStockObject(SYSTEM_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

std::wstring ControlText(HWND control, size_t maxChars) {
  if (control == nullptr) return std::wstring();
  std::wstring text(maxChars + 1, L'\0');
  const int length = GetWindowTextW(control, text.data(), static_cast<int>(maxChars + 1));
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return text;
}

HWND ComboEdit(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(combo, &info)) return info.hwndItem;
  return FindWindowExW(combo, nullptr, L"Edit", nullptr);
}

void Tooltip::Create(HWND owner, bool active) {
  window_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, Process().instance, nullptr);
  if (window_ == nullptr) return;
  SendMessageW(window_, TTM_SETTIPBKCOLOR, RGB(255, 255, 255), 0);
  SendMessageW(window_, TTM_SETMAXTIPWIDTH, 0, 400);
  if (!active) Activate(false);
}

void Tooltip::Add(HWND control, const wchar_t* text) const {
  if (window_ == nullptr || control == nullptr) return;
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = GetParent(control);
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltip::Activate(bool active) const {
  if (window_ != nullptr) SendMessageW(window_, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

}  // namespace qv
