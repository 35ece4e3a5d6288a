// Small helpers for building windows: child controls with the user-interface font, their texts, tooltips.
#include "ui/controls.h"

#include <commctrl.h>

#include "ui/dpi.h"
#include "ui/process.h"

namespace qv {

HWND CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                   int height, int id, DWORD exStyle) {
  const UINT dpi = DpiOf(parent);
  const RECT rect96{x, y, x + width, y + height};
  const RECT rect = ScaleRect(rect96, dpi);
  HWND control = CreateWindowExW(exStyle, className, text, style | WS_CHILD, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Process().instance, nullptr);
  if (control == nullptr) return nullptr;
  if (HFONT font = UiFontFor(parent); font != nullptr)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // A control placed later (a spin attached to its field) has no rectangle of its own to keep.
  if (width != 0 || height != 0) RememberLayout96(control, rect96);
  FitControlToText(control, dpi);
  return control;
}

// The spin takes a width of its own choosing from the field's right end; at another DPI than the one it
// chose for, the field gives it the scaled width instead.
void AttachSpin(HWND spin, HWND field) {
  if (spin == nullptr || field == nullptr) return;
  HWND parent = GetParent(field);
  RECT full{};
  GetWindowRect(field, &full);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&full), 2);
  SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(field), 0);
  RECT placed{};
  GetWindowRect(spin, &placed);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&placed), 2);
  const int width = ScaleFor(spin, 16);
  if (placed.right - placed.left == width) return;
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(field, nullptr, full.left, full.top, full.right - full.left - width, full.bottom - full.top, flags);
  const LONG gap = full.right - placed.right;  // the spin sits on the field's border
  SetWindowPos(spin, nullptr, full.right - gap - width, placed.top, width, placed.bottom - placed.top, flags);
}

void MoveControl96(HWND control, int x, int y, int width, int height) {
  KeepLayout96(control, RECT{x, y, x + width, y + height});
  FitControlToText(control, DpiOf(control));
}

int TextWidth96(HWND control, const std::wstring& text) {
  return UnscaleForDpi(TextWidthIn(control, text), static_cast<int>(DpiOf(control)));
}

// Labels and check boxes and radio buttons show their whole text; labels that end in an ellipsis and
// push buttons keep their width.
void FitControlToText(HWND control, UINT dpi) {
  if (control == nullptr || dpi == kBaseDpi) return;
  wchar_t cls[16] = {};
  GetClassNameW(control, cls, 16);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  int chrome = 0;
  if (lstrcmpiW(cls, WC_STATICW) == 0) {
    const LONG type = style & SS_TYPEMASK;
    if ((type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP) ||
        (style & SS_ELLIPSISMASK) != 0)
      return;
  } else if (lstrcmpiW(cls, WC_BUTTONW) == 0) {
    const LONG type = style & BS_TYPEMASK;
    if (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && type != BS_RADIOBUTTON && type != BS_AUTORADIOBUTTON &&
        type != BS_3STATE && type != BS_AUTO3STATE)
      return;
    chrome = CheckBoxChrome(dpi);
  } else {
    return;
  }
  const std::wstring text = ControlText(control, 256);
  if (text.empty()) return;
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  const int width = rect.right - rect.left;
  const int fitted = WidthForText(width, TextWidthIn(control, text), chrome, static_cast<int>(dpi));
  if (fitted == width) return;
  int left = rect.left;
  if (lstrcmpiW(cls, WC_STATICW) == 0 && (style & SS_TYPEMASK) == SS_CENTER) left -= (fitted - width) / 2;
  if (lstrcmpiW(cls, WC_STATICW) == 0 && (style & SS_TYPEMASK) == SS_RIGHT) left -= fitted - width;
  SetWindowPos(control, nullptr, left, rect.top, fitted, rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
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
  ApplyDpi();
  if (!active) Activate(false);
}

void Tooltip::ApplyDpi() const {
  if (window_ != nullptr) SendMessageW(window_, TTM_SETMAXTIPWIDTH, 0, ScaleFor(GetWindow(window_, GW_OWNER), 400));
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
