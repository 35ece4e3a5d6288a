// The display scale of the windows. Every pixel figure of the layout is a 96-DPI figure; a top-level
// window keeps its current DPI and the fonts made for it in a WindowDpi, which its descendants find
// through the top-level window. Controls made by CreateControl keep their 96-DPI rectangle with them, so
// that a change of DPI (WM_DPICHANGED) lays them out again from it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "forms/dpi_layout.h"
#include "platform/win32/unique_handles.h"

namespace qv {

// The DPI of a top-level window and the fonts made for it. Owned by the window object; attached to its
// window so that descendants find it. The window's DPI starts from GetDpiForWindow and follows the
// WM_DPICHANGED messages (Wine never sends them and reports the system DPI for every window).
// Other things made for a DPI (image lists, column widths, the menu font) belong to their windows.
class WindowDpi {
 public:
  WindowDpi() = default;
  WindowDpi(const WindowDpi&) = delete;
  WindowDpi& operator=(const WindowDpi&) = delete;
  ~WindowDpi();

  // Attaches to `topLevel` at the DPI the system gives it and makes the fonts.
  void Attach(HWND topLevel);
  // Removes the attachment (before the window goes).
  void Detach();
  // Makes the fonts for `dpi`, re-fonts and lays out again every control of the window made by
  // CreateControl (or given a 96-DPI rectangle by KeepLayout96), then deletes the old fonts.
  void Change(UINT dpi);

  UINT Value() const { return value_; }
  int Scale(int px96) const { return ScaleForDpi(px96, static_cast<int>(value_)); }
  // "MS UI Gothic", 12 pixels at 96 DPI, Shift-JIS.
  HFONT UiFont() const { return uiFont_.Get(); }

  // The WindowDpi of the top-level window of `window`, or null.
  static const WindowDpi* Of(HWND window);

 private:
  void MakeFonts();

  HWND window_ = nullptr;
  UINT value_ = kBaseDpi;
  UniqueGdiObject<HFONT> uiFont_;
};

// The DPI `window` is laid out for: its top-level window's WindowDpi, else what the system says of it
// (GetDpiForWindow; the system DPI for no window).
UINT DpiOf(HWND window);
// `px96` scaled for the DPI of `window`.
int ScaleFor(HWND window, int px96);
// The user-interface font for `window`: its top-level window's, else the process's one.
HFONT UiFontFor(HWND window);
// The user-interface font made for `dpi` ("MS UI Gothic", MulDiv(12, dpi, 96) pixels, Shift-JIS).
HFONT CreateUiFontForDpi(UINT dpi);

// Remembers `rect96` (in the parent's client area, 96-DPI pixels) as the place of `control` for later
// layouts; KeepLayout96 also moves it there at the DPI of its window.
void RememberLayout96(HWND control, const RECT& rect96);
void KeepLayout96(HWND control, const RECT& rect96);
// `rect96` at `dpi`.
RECT ScaleRect(const RECT& rect96, UINT dpi);
// The remembered 96-DPI rectangle of `control`; false when it has none.
bool Layout96(HWND control, RECT& rect96);

// Width needed beside the text of a check box or radio button at `dpi`: the box and the gap after it.
int CheckBoxChrome(UINT dpi);

// The system image list whose icons suit `dpi` for a small icon (the tree's icons).
HIMAGELIST SystemImageListForDpi(UINT dpi);

}  // namespace qv
