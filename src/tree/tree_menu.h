// The folder tree's context menu: its items 5000-5040 with separators, their enabling by the kind of
// node the menu is for, the check mark of the hidden-items switch, and the owner drawing of every text
// item (selection in light cyan with a teal frame, the check mark as a crossed box, grey text for
// disabled items, the access key underlined; under high contrast the system's highlight and menu
// colours, see ui/paint_colours.h).
#pragma once

#include <windows.h>

#include "forms/tree_rules.h"
#include "platform/win32/unique_handles.h"

namespace qv {

class TreeMenu {
 public:
  TreeMenu() = default;
  TreeMenu(const TreeMenu&) = delete;
  TreeMenu& operator=(const TreeMenu&) = delete;
  ~TreeMenu();

  // Builds the popup menu and its drawing resources. False when the menu cannot be made.
  bool Create();
  HMENU Handle() const { return menu_; }

  // Enables the items for a node of `target`'s kind and checks 5040 while hidden items are shown.
  void Prepare(TreeNodeSort target, bool hiddenShown) const;

  // Shows the menu at `screenPoint`, left-aligned, without animation; its commands go to `owner`.
  // Returns when the menu has closed.
  void Show(HWND owner, POINT screenPoint) const;

  // WM_MEASUREITEM and WM_DRAWITEM of the menu's items: the menu font and brush come from the main
  // window, the sizes are scaled for the DPI of the window the menu was shown for. False for items that
  // are not the menu's.
  bool Measure(HWND window, HFONT font, MEASUREITEMSTRUCT& measure) const;
  bool Draw(HFONT font, HBRUSH menuBrush, const DRAWITEMSTRUCT& draw) const;
  // WM_MENUCHAR: owner-drawn items have no text the system could match, so the menu finds the enabled
  // item whose access key (the letter after "&") is `key`, ignoring case, and has it chosen.
  LRESULT ItemOfAccessKey(wchar_t key) const;

 private:
  HMENU menu_ = nullptr;
  // The DPI the items were last measured for (pixel figures of the items are 96-DPI figures scaled by it).
  mutable UINT dpi_ = 96;
};

}  // namespace qv
