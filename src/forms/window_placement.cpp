// The work-area rule of the main window's position and the supported Windows versions.
#include "forms/window_placement.h"

namespace qv {

ScreenRect FitIntoWorkArea(const ScreenRect& window, const ScreenRect& workArea) {
  ScreenRect r = window;
  const int32_t width = r.right - r.left;
  const int32_t height = r.bottom - r.top;
  if (r.left < workArea.left)
    r.left = workArea.left;
  else if (r.right > workArea.right)
    r.left = workArea.right - width;
  if (r.top < workArea.top)
    r.top = workArea.top;
  else if (r.bottom > workArea.bottom)
    r.top = workArea.bottom - height;
  r.right = r.left + width;
  r.bottom = r.top + height;
  return r;
}

int OperatingSystemCategory(uint32_t major, uint32_t minor) {
  if (major >= 7) return 3;
  if (major == 6) return 2;
  if (major == 5) return minor == 1 ? 1 : 0;
  return 0;
}

}  // namespace qv
