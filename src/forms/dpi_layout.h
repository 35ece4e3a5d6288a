// The arithmetic of laying the window out for a display's DPI, without windows: every pixel figure of the
// layout is a 96-DPI figure scaled as Windows scales (MulDiv), controls are widened only where the text
// measured at the DPI does not fit, and list columns are sized for the widest text they exist to show.
// Portable, so that the unit tests check it on every platform.
#pragma once

#include <cstdint>

namespace qv {

constexpr int kBaseDpi = 96;

// `px96` pixels at 96 DPI in pixels at `dpi`: px96 * dpi / 96 rounded half away from zero, as MulDiv.
int ScaleForDpi(int px96, int dpi);

// A length measured at `dpi` in 96-DPI pixels, rounded up so that scaling it back covers the length.
int UnscaleForDpi(int px, int dpi);

// The width of a control that shows `textWidth` pixels of text plus `chrome` pixels of its own (a check
// box's box and gap, nothing for a label), given the scaled width of the layout: at 96 DPI always the
// layout's width (the layout was made for it); at other DPIs widened to the text when it would be cut.
int WidthForText(int scaledWidth, int textWidth, int chrome, int dpi);

// Column widths of a list whose columns must share `innerWidth` pixels: each fixed column keeps its
// width, the `fitted` column grows to `fittedText` plus `margin` if it is narrower, and the `flexible`
// column takes what is left (at least `minFlexible`). Widths are changed in place.
void ShareColumns(int* widths, int count, int fitted, int fittedText, int margin, int flexible, int innerWidth,
                  int minFlexible);

}  // namespace qv
