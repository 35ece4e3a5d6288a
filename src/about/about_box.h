// The about box: a small window over the main window with the program's name and version, a copyright
// line and a link that opens the help's start page. The main window takes no input while the box is
// open. The box has no message loop of its own: opening it returns at once, and it closes itself on
// Enter, Escape, its OK button or its close box.
#pragma once

#include <windows.h>

namespace qv {

extern const wchar_t kAboutWindowClass[];    // "ver_parent_class"
extern const wchar_t kAboutLinkClass[];      // "ver_child_class"
extern const wchar_t kAboutCaption[];        // "バージョン情報"
extern const wchar_t kAboutTitleLine[];      // program name and version
extern const wchar_t kAboutCopyrightLine[];  // the copyright notice
extern const wchar_t kAboutLinkText[];       // "ヘルプを開く"

constexpr int kAboutClientWidth = 235;
constexpr int kAboutClientHeight = 104;

// Opens the about box over `mainWindow` (disabled until the box closes, then enabled and brought to the
// foreground) and returns its window. When the box's memory cannot be had, the memory failure message is
// shown and the result is null. The window classes exist only while a box is open.
HWND OpenAboutBox(HWND mainWindow);

}  // namespace qv
