// The display scale of the windows: the WindowDpi of a top-level window, the 96-DPI rectangles kept with
// the controls, and laying them out again for a new DPI.
#include "ui/dpi.h"

#include <commctrl.h>
#include <shellapi.h>
#include <commoncontrols.h>
#include <shlobj.h>

#include <vector>

#include "ui/controls.h"
#include "ui/process.h"

namespace qv {
namespace {

// Property names as atoms, so that setting a property never adds to an atom's count.
ATOM PropertyAtom(const wchar_t* name) { return GlobalAddAtomW(name); }
const wchar_t* WindowDpiProperty() {
  static const ATOM atom = PropertyAtom(L"Quorvix.WindowDpi");
  return MAKEINTATOM(atom);
}
const wchar_t* PlaceProperty() {
  static const ATOM atom = PropertyAtom(L"Quorvix.Place96");
  return MAKEINTATOM(atom);
}
const wchar_t* SizeProperty() {
  static const ATOM atom = PropertyAtom(L"Quorvix.Size96");
  return MAKEINTATOM(atom);
}

// Two 16-bit figures in a property value that is never null (an offset keeps 0, 0 away from 0).
constexpr int kPropertyOffset = 0x4000;
HANDLE PackPair(LONG a, LONG b) {
  const DWORD packed = MAKELONG(static_cast<WORD>(a + kPropertyOffset), static_cast<WORD>(b + kPropertyOffset));
  return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(packed));
}
void UnpackPair(HANDLE value, LONG& a, LONG& b) {
  const auto packed = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(value));
  a = static_cast<LONG>(LOWORD(packed)) - kPropertyOffset;
  b = static_cast<LONG>(HIWORD(packed)) - kPropertyOffset;
}

struct Relayout {
  HFONT oldUiFont;
  HFONT newUiFont;
  UINT dpi;
  std::vector<HWND> spins;
};

BOOL CALLBACK RelayoutChild(HWND child, LPARAM param) {
  auto& r = *reinterpret_cast<Relayout*>(param);
  if (reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)) == r.oldUiFont)
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(r.newUiFont), FALSE);
  RECT rect96{};
  if (Layout96(child, rect96)) {
    const RECT rect = ScaleRect(rect96, r.dpi);
    SetWindowPos(child, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    FitControlToText(child, r.dpi);
  }
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (lstrcmpiW(cls, UPDOWN_CLASSW) == 0) r.spins.push_back(child);
  return TRUE;
}

}  // namespace

WindowDpi::~WindowDpi() { Detach(); }

void WindowDpi::Attach(HWND topLevel) {
  window_ = topLevel;
  value_ = topLevel != nullptr ? GetDpiForWindow(topLevel) : GetDpiForSystem();
  if (value_ == 0) value_ = kBaseDpi;
  MakeFonts();
  if (window_ != nullptr) SetPropW(window_, WindowDpiProperty(), reinterpret_cast<HANDLE>(this));
}

void WindowDpi::Detach() {
  if (window_ != nullptr && IsWindow(window_)) RemovePropW(window_, WindowDpiProperty());
  window_ = nullptr;
}

void WindowDpi::MakeFonts() {
  uiFont_.Reset(CreateUiFontForDpi(value_));
}

void WindowDpi::Change(UINT dpi) {
  if (dpi == 0) return;
  UniqueGdiObject<HFONT> oldUi(uiFont_.Release());
  value_ = dpi;
  MakeFonts();
  if (window_ == nullptr) return;
  Relayout relayout{oldUi.Get(), uiFont_.Get(), value_, {}};
  EnumChildWindows(window_, RelayoutChild, reinterpret_cast<LPARAM>(&relayout));
  // A spin sits inside the right end of its field: attached again to the field's new size.
  for (HWND spin : relayout.spins) {
    HWND buddy = reinterpret_cast<HWND>(SendMessageW(spin, UDM_GETBUDDY, 0, 0));
    if (buddy != nullptr) AttachSpin(spin, buddy);
  }
}

const WindowDpi* WindowDpi::Of(HWND window) {
  if (window == nullptr) return nullptr;
  HWND top = GetAncestor(window, GA_ROOT);
  return top != nullptr ? static_cast<const WindowDpi*>(GetPropW(top, WindowDpiProperty())) : nullptr;
}

UINT DpiOf(HWND window) {
  if (const WindowDpi* dpi = WindowDpi::Of(window)) return dpi->Value();
  const UINT dpi = window != nullptr ? GetDpiForWindow(window) : GetDpiForSystem();
  return dpi != 0 ? dpi : kBaseDpi;
}

int ScaleFor(HWND window, int px96) { return ScaleForDpi(px96, static_cast<int>(DpiOf(window))); }

HFONT UiFontFor(HWND window) {
  const WindowDpi* dpi = WindowDpi::Of(window);
  return dpi != nullptr && dpi->UiFont() != nullptr ? dpi->UiFont() : Process().uiFont;
}

HFONT CreateUiFontForDpi(UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -ScaleForDpi(12, static_cast<int>(dpi));
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  wcscpy(font.lfFaceName, L"MS UI Gothic");
  return CreateFontIndirectW(&font);
}

RECT ScaleRect(const RECT& rect96, UINT dpi) {
  const int d = static_cast<int>(dpi);
  return RECT{ScaleForDpi(rect96.left, d), ScaleForDpi(rect96.top, d), ScaleForDpi(rect96.right, d),
              ScaleForDpi(rect96.bottom, d)};
}

void RememberLayout96(HWND control, const RECT& rect96) {
  if (control == nullptr) return;
  SetPropW(control, PlaceProperty(), PackPair(rect96.left, rect96.top));
  SetPropW(control, SizeProperty(), PackPair(rect96.right - rect96.left, rect96.bottom - rect96.top));
}

void KeepLayout96(HWND control, const RECT& rect96) {
  if (control == nullptr) return;
  RememberLayout96(control, rect96);
  const RECT rect = ScaleRect(rect96, DpiOf(control));
  SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Layout96(HWND control, RECT& rect96) {
  HANDLE place = GetPropW(control, PlaceProperty());
  HANDLE size = GetPropW(control, SizeProperty());
  if (place == nullptr || size == nullptr) return false;
  LONG x, y, w, h;
  UnpackPair(place, x, y);
  UnpackPair(size, w, h);
  rect96 = RECT{x, y, x + w, y + h};
  return true;
}

int CheckBoxChrome(UINT dpi) {
  return GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi) + ScaleForDpi(4, static_cast<int>(dpi));
}

HIMAGELIST SystemImageListForDpi(UINT dpi) {
  const int wanted = GetSystemMetricsForDpi(SM_CXSMICON, dpi);
  HIMAGELIST small = nullptr;
  if (FAILED(SHGetImageList(SHIL_SMALL, __uuidof(IImageList), reinterpret_cast<void**>(&small))) || small == nullptr)
    return nullptr;
  int cx = 0, cy = 0;
  ImageList_GetIconSize(small, &cx, &cy);
  if (cx >= wanted || cx + cx / 4 >= wanted) return small;
  HIMAGELIST large = nullptr;
  if (SUCCEEDED(SHGetImageList(SHIL_LARGE, __uuidof(IImageList), reinterpret_cast<void**>(&large))) && large != nullptr)
    return large;
  return small;
}

}  // namespace qv
