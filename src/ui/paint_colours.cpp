// The window's paint colours and their brushes.
#include "ui/paint_colours.h"

#include "platform/win32/unique_handles.h"

namespace qv {

namespace {

constexpr int kSystemIndex[kSystemColourCount] = {COLOR_WINDOW,    COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
                                                  COLOR_HOTLIGHT,  COLOR_BTNSHADOW,  COLOR_MENU,      COLOR_MENUTEXT};
constexpr size_t kRoleCount = static_cast<size_t>(ColourRole::kLink) + 1;

struct Palette {
  bool read = false;
  bool highContrast = false;
  SystemColours system{};
  UniqueGdiObject<HBRUSH> brushes[kRoleCount];
};

Palette& ThePalette() {
  static Palette palette;
  return palette;
}

// A test seam, not window state: how the high-contrast switch is read.
HighContrastFunction gHighContrast = SystemHighContrastOn;

Palette& ReadPalette() {
  Palette& palette = ThePalette();
  if (!palette.read) RefreshPaintColours();
  return palette;
}

BOOL CALLBACK ForwardColourChange(HWND child, LPARAM) {
  SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

}  // namespace

bool SystemHighContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

HighContrastFunction SetHighContrastFunction(HighContrastFunction function) {
  HighContrastFunction previous = gHighContrast;
  gHighContrast = function != nullptr ? function : SystemHighContrastOn;
  return previous;
}

void RefreshPaintColours() {
  Palette& palette = ThePalette();
  for (size_t i = 0; i < kSystemColourCount; ++i) palette.system[i] = GetSysColor(kSystemIndex[i]);
  palette.highContrast = gHighContrast();
  for (UniqueGdiObject<HBRUSH>& brush : palette.brushes) brush.Reset();
  palette.read = true;
}

COLORREF PaintColour(ColourRole role) {
  const Palette& palette = ReadPalette();
  return ColourOf(role, palette.highContrast, palette.system);
}

HBRUSH PaintBrush(ColourRole role) {
  Palette& palette = ReadPalette();
  UniqueGdiObject<HBRUSH>& brush = palette.brushes[static_cast<size_t>(role)];
  if (!brush) brush.Reset(CreateSolidBrush(ColourOf(role, palette.highContrast, palette.system)));
  return brush.Get();
}

void ApplySystemColourChange(HWND topLevel, bool forward) {
  RefreshPaintColours();
  if (forward) EnumChildWindows(topLevel, ForwardColourChange, 0);
  RedrawWindow(topLevel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace qv
