// The keyboard of the main window, as the message loop applies it before dispatching: Tab and Shift+Tab
// through the enabled controls of the visible page and the panels (the dialog manager's navigation),
// Ctrl+Tab and Ctrl+Shift+Tab between the tab pages, Enter on a focused push button presses it, Shift+F10
// and the menu key open the folder tree's menu at its selected item, and access keys of labels. The keys
// that controls want stay theirs: the arrows of the list view and the tree, Enter in multi-line fields.
// A run reads its own input (Escape, "中止") while it goes on, so nothing here is involved during a run.
#pragma once

#include <windows.h>

namespace qv {

class MainWindow;

// Applies the main window's keyboard to `msg` when it is a keyboard message for the main window or one
// of its controls. True when the message has been handled (it must then not be dispatched).
bool TranslateMainWindowMessage(MSG& msg);

// The order of the main window's controls for Tab: folder fields, the tab pages, then the buttons; the
// tree column comes first. Called once the window's children exist.
void ArrangeTabOrder(MainWindow& window);

}  // namespace qv
