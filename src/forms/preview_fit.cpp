// The output preview's fit and title.
#include "forms/preview_fit.h"

#include <algorithm>

#include "batch/input_listing.h"

namespace qv {

PreviewPlacement FitOutputPreview(const PreviewMetrics& m, int32_t imageWidth, int32_t imageHeight) {
  const int32_t workWidth = m.workRight - m.workLeft, workHeight = m.workBottom - m.workTop;
  const int32_t availableWidth = workWidth - 2 * m.frameX;
  const int32_t availableHeight = workHeight - 2 * m.frameY - m.caption;
  PreviewPlacement p;
  int32_t w = imageWidth, h = imageHeight;
  if (w <= availableWidth && h <= availableHeight) {
    p.zoom = 100;
    p.clientWidth = w;
    p.clientHeight = h;
  } else {
    w = std::max(w, 1);
    h = std::max(h, 1);
    const int32_t ex = availableWidth * 10000 / w, ey = availableHeight * 10000 / h;
    const int32_t e = ex < ey ? ex + 1 : ey + 1;
    p.clientWidth = std::max(w * e / 10000, 1);
    p.clientHeight = std::max(h * e / 10000, 1);
    p.zoom = e / 100;
  }
  p.clientWidth = std::max(p.clientWidth, m.minWindowWidth - 2 * m.frameY);
  p.width = p.clientWidth + 2 * m.frameX;
  p.height = p.clientHeight + 2 * m.frameY + m.caption;
  p.x = (workWidth - p.width) / 2 + m.workLeft;
  p.y = (workHeight - p.height) / 2 + m.workTop;
  return p;
}

std::wstring OutputPreviewTitle(int32_t zoom, uint64_t fileBytes) {
  return std::to_wstring(zoom) + L"% / " + GroupThousands(fileBytes >> 10) + L"KB";
}

}  // namespace qv
