// Which colour the window paints each of its own surfaces with: the fixed colours of the normal theme,
// or the system's colours while high contrast is on, so that the window follows the user's high-contrast
// scheme. Portable (colours are 0x00BBGGRR values, as Windows' COLORREF), so that the unit tests check
// the rule on every platform; the user interface reads the system's colours and the switch.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qv {

using ColourValue = uint32_t;  // 0x00BBGGRR

constexpr ColourValue MakeColour(unsigned red, unsigned green, unsigned blue) {
  return static_cast<ColourValue>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

// The system colours the rule draws on (GetSysColor's COLOR_WINDOW, COLOR_WINDOWTEXT, ...).
enum class SystemColour { kWindow, kWindowText, kHighlight, kHighlightText, kHotLight, kButtonShadow, kMenu, kMenuText };
constexpr size_t kSystemColourCount = 8;
using SystemColours = std::array<ColourValue, kSystemColourCount>;

// The surfaces the window paints itself (everything else is drawn by the controls in system colours).
enum class ColourRole {
  kPageBackground,      // the tab pages, their labels, check boxes and option buttons
  kPageText,            // the text of those labels and buttons
  kPageFrame,           // the one-pixel frame around a page
  kMenuSelection,       // the selected item of the folder tree's menu: its fill
  kMenuSelectionFrame,  // … its frame
  kMenuSelectionText,   // … its text
  kMenuCheckBox,        // the check box of the menu's hidden-items switch: its fill
  kMenuCheckMark,       // … its frame and cross
  kLink,                // the about box's link
};

// The colour of `role`: in the normal theme the window's own fixed colours (white pages in a light grey
// frame, light cyan menu selection in a teal frame, a violet crossed box, a blue link), where the text of
// a selected menu item stays the system's menu text; with `highContrast` the system colour of the
// matching kind (window, window text, highlight and highlight text for the menu's selection, hot-tracking
// for the link, button shadow for the frame, menu and menu text for the check box).
ColourValue ColourOf(ColourRole role, bool highContrast, const SystemColours& system);

}  // namespace qv
