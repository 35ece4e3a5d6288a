// The colour of each painted surface, normal theme or high contrast.
#include "forms/colour_rules.h"

namespace qv {

namespace {

// A role's colour in the normal theme is fixed, or (for text the system draws beside it) a system colour.
struct RoleColours {
  ColourRole role;
  ColourValue normal;
  bool normalIsSystem;        // the normal theme takes `normalSystem` instead of `normal`
  SystemColour normalSystem;
  SystemColour contrast;      // the colour under high contrast
};

constexpr SystemColour kUnused = SystemColour::kWindow;

constexpr RoleColours kRoles[] = {
    {ColourRole::kPageBackground, MakeColour(0xFF, 0xFF, 0xFF), false, kUnused, SystemColour::kWindow},
    {ColourRole::kPageText, MakeColour(0x00, 0x00, 0x00), false, kUnused, SystemColour::kWindowText},
    {ColourRole::kPageFrame, MakeColour(0xE0, 0xE0, 0xE0), false, kUnused, SystemColour::kButtonShadow},
    {ColourRole::kMenuSelection, MakeColour(0xE8, 0xFF, 0xFF), false, kUnused, SystemColour::kHighlight},
    {ColourRole::kMenuSelectionFrame, MakeColour(0x48, 0x90, 0x90), false, kUnused, SystemColour::kHighlightText},
    {ColourRole::kMenuSelectionText, 0, true, SystemColour::kMenuText, SystemColour::kHighlightText},
    {ColourRole::kMenuCheckBox, MakeColour(0xFF, 0xFF, 0xFF), false, kUnused, SystemColour::kMenu},
    {ColourRole::kMenuCheckMark, MakeColour(0xC0, 0x60, 0xC0), false, kUnused, SystemColour::kMenuText},
    {ColourRole::kLink, MakeColour(0x00, 0x00, 0xFF), false, kUnused, SystemColour::kHotLight},
};

}  // namespace

ColourValue ColourOf(ColourRole role, bool highContrast, const SystemColours& system) {
  for (const RoleColours& r : kRoles) {
    if (r.role != role) continue;
    if (highContrast) return system[static_cast<size_t>(r.contrast)];
    return r.normalIsSystem ? system[static_cast<size_t>(r.normalSystem)] : r.normal;
  }
  return 0;
}

}  // namespace qv
