// Process start and end of Quorvix.exe: the process-wide resources (private heap, COM, user-interface
// font, HTML Help), the start-up check, the window classes, the keyboard hook, and the shut-down that
// saves the settings. Depends on the settings file and the main window; nothing here converts images.
#pragma once

#include <windows.h>

#include "forms/window_placement.h"

namespace qv {

// Steps 1-5 of the process start: private heap (64 KB initial, no maximum), COM as a single-threaded
// apartment, the instance handle, the font "MS UI Gothic" -12 Shift-JIS, HTML Help. False only when
// the heap cannot be created (nothing else was done then).
bool PrepareProcess(HINSTANCE instance);

// Undoes PrepareProcess in reverse: HTML Help, the font, COM, the heap.
void ReleaseProcess();

// Registers the window classes of the shell (main window, tree panel, main panel, tab pages, output
// preview area) and initialises the common controls. Idempotent; the input preview class belongs to
// the individual input page.
bool RegisterWindowClasses();

// The start-up check and the initialisation: settings located and loaded, classes, common controls,
// keyboard hook, main window, command line, window shown. True when the message loop should run.
// Shows "ファイル実行に失敗しました。" when the platform is unsupported or the settings file cannot be
// located; brings a running instance forward (and returns false) when there is one.
bool StartUp(int showCommand);

// The keyboard hook of the folder tree's cursors (thread-local). Shift or Control pressed over the
// tree view shows the input or output cursor; releasing them shows the cursor of the tree mode.
LRESULT CALLBACK TreeCursorHook(int code, WPARAM wParam, LPARAM lParam);
// The cursor that belongs to a tree mode TvIOSet (0 input, 1 output, anything else both).
HCURSOR TreeModeCursor(int treeMode);
// Set by the tree panel while one of its menus is open: the hook then leaves the cursor alone.
void SetTreeMenuOpen(bool open);

// On the main window's close request, before it is destroyed: hook removed, subclassed list restored,
// watch closed, preview released, the output settings and folder fields read back, the menu resources
// deleted, and the settings file rewritten.
void ShutDownMainWindow();

}  // namespace qv
