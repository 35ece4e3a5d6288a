// Where the main window goes and whether the system is one the program runs on, without windows: the
// rules the start-up applies, portable so that the unit tests check them on every platform.
#pragma once

#include <cstdint>

namespace qv {

struct ScreenRect {  // screen coordinates; right and bottom exclusive
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const ScreenRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// `window` moved into `workArea`: a left edge left of the area moves to it, otherwise a right edge
// beyond it moves the window left until it fits; the same for top and bottom. The size never changes.
ScreenRect FitIntoWorkArea(const ScreenRect& window, const ScreenRect& workArea);

// The operating-system category of a Windows version: 0 unsupported (below 5.1 except 5.1 itself,
// 5.0, 5.2), 1 for 5.1, 2 for 6.x, 3 for 7 and above.
int OperatingSystemCategory(uint32_t major, uint32_t minor);

}  // namespace qv
