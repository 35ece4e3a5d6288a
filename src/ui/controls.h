// Building blocks of the windows: child controls with the user-interface font, their texts and widths,
// the edit part of a combo box, and the program's tooltip window.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/unique_handles.h"

namespace qv {

// Creates a child control with the user-interface font of its window's DPI. The place is in 96-DPI
// pixels of the parent's client area: the control is made at that place scaled for the window's DPI
// and keeps it for later layouts (ui/dpi.h); labels, check boxes and radio buttons away from 96 DPI
// are widened where their text would be cut.
HWND CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                   int height, int id, DWORD exStyle = 0);
// Moves a control to a new place in 96-DPI pixels (kept for later layouts as CreateControl does).
void MoveControl96(HWND control, int x, int y, int width, int height);
// Puts a spin control inside the right end of its field, as wide as a spin is at the window's DPI (16
// pixels at 96 DPI).
void AttachSpin(HWND spin, HWND field);
// Widens a label, check box or radio button whose text does not fit at `dpi` (never at 96 DPI).
void FitControlToText(HWND control, UINT dpi);

// Width in pixels of `text` in the font that `control` draws with.
int TextWidthIn(HWND control, const std::wstring& text);
// The same in 96-DPI pixels of the control's window (rounded up).
int TextWidth96(HWND control, const std::wstring& text);

// The text of a control (an edit field, a combo box, a label), at most `maxChars` characters; empty for
// no control.
std::wstring ControlText(HWND control, size_t maxChars);

// The edit control inside a drop-down combo box.
HWND ComboEdit(HWND combo);

// The tooltip window of a top-level window: white, at most 400 pixels (at 96 DPI) wide, shown also for inactive
// windows; destroyed with its owner.
class Tooltip {
 public:
  // Creates the window; `active` false creates it switched off.
  void Create(HWND owner, bool active);
  // Registers `control` (its parent gets the tooltip's messages through the tooltip's own subclass).
  void Add(HWND control, const wchar_t* text) const;
  void Activate(bool active) const;
  // The greatest width for the owner's current DPI.
  void ApplyDpi() const;
  HWND Handle() const { return window_; }

 private:
  HWND window_ = nullptr;
};

}  // namespace qv
