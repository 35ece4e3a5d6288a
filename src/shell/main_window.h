// The main window of Quorvix.exe: the fixed 720 x 500 client area with the folder-tree panel on the left
// and the main panel (folder fields, tab control with the three pages, progress bar, buttons) on the
// right; the system menu with the always-on-top toggle; the routing of every command of the main panel
// and the pages. The pages themselves live in their own files and are reached through pages.h.
#pragma once

#include <windows.h>

namespace qv {

constexpr int kMainClientWidth = 720;
constexpr int kMainClientHeight = 500;
constexpr int kTreeColumnWidth = 180;

extern const wchar_t kMainWindowClass[];     // "Quorvix_main_class"
extern const wchar_t kTreePanelClass[];      // "Quorvix_trbase_class"
extern const wchar_t kMainPanelClass[];      // "Quorvix_mnbase_class"
extern const wchar_t kTabPageClass[];        // "Quorvix_tabbase_class"
extern const wchar_t kOutputPreviewClass[];  // "Rideroz_oprv_class"

// Window procedures of the shell's classes (registered by the start-up code).
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TreePanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MainPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TabPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The outer window size for the 720 x 500 client area under the main window's styles.
SIZE MainWindowOuterSize();

// `window` moved into `workArea` by the rule of forms/window_placement.h.
RECT FitIntoWorkArea(const RECT& window, const RECT& workArea);

// Creates the main window, hidden, at the stored position (or centred in the primary work area),
// brought into the work area of the nearest monitor, topmost when TopMost is set. The whole interface
// is built during creation. nullptr on failure.
HWND CreateMainWindow();

// The top-left corner of the window's normal (restored) place in screen coordinates, also while it is
// minimised. False when the system does not tell.
bool NormalWindowPosition(HWND window, POINT& position);

// Every read of the main window's placement goes through this function; the default is
// GetWindowPlacement. Windows reports the normal place of a placement in workspace coordinates, which
// differ from screen coordinates by a taskbar at the top or left; Wine reports screen coordinates, so
// tests stand in for the first. Returns the previous function.
using WindowPlacementFunction = BOOL(WINAPI*)(HWND window, WINDOWPLACEMENT* placement);
WindowPlacementFunction SetWindowPlacementFunction(WindowPlacementFunction function);

// Shows the page of the selected tab and hides the two others; the focus goes to the main window.
void SwitchTabPage();
// Selects tab `index` (0 output settings, 1 individual input, 2 options) as a click on it would.
void SelectTab(int index);
// Flips TopMost and moves the window into or out of the topmost band, keeping its place and size.
void ToggleTopMost();

// The menu colour brush and the menu font taken from the system (re-created when its settings change).
void CreateMenuResources();
void DeleteMenuResources();

}  // namespace qv
