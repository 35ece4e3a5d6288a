// The window's DPI arithmetic.
#include "forms/dpi_layout.h"

#include <algorithm>

namespace qv {

int ScaleForDpi(int px96, int dpi) {
  const int64_t product = static_cast<int64_t>(px96) * dpi;
  const int64_t half = kBaseDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi));
}

int UnscaleForDpi(int px, int dpi) {
  if (dpi <= 0) return px;
  const int64_t product = static_cast<int64_t>(px) * kBaseDpi;
  return static_cast<int>(product >= 0 ? (product + dpi - 1) / dpi : -((-product) / dpi));
}

int WidthForText(int scaledWidth, int textWidth, int chrome, int dpi) {
  if (dpi == kBaseDpi || textWidth <= 0) return scaledWidth;
  return std::max(scaledWidth, textWidth + chrome);
}

void ShareColumns(int* widths, int count, int fitted, int fittedText, int margin, int flexible, int innerWidth,
                  int minFlexible) {
  if (fitted < 0 || fitted >= count || flexible < 0 || flexible >= count || fitted == flexible) return;
  widths[fitted] = std::max(widths[fitted], fittedText + margin);
  int others = 0;
  for (int i = 0; i < count; ++i)
    if (i != flexible) others += widths[i];
  widths[flexible] = std::max(minFlexible, innerWidth - others);
}

}  // namespace qv
