// Process start and end of Quorvix.exe: the process-wide resources (private heap, COM, user-interface
// font, HTML Help), the start-up check, and the main window made from the loaded settings. Nothing here
// converts images.
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

// The start-up check and the initialisation: settings located and loaded, classes, common controls,
// main window (with the tree's keyboard hook), command line, window shown. True when the message loop
// should run. Shows "ファイル実行に失敗しました。" when the platform is unsupported or the settings file
// cannot be located; brings a running instance forward (and returns false) when there is one.
bool StartUp(int showCommand);

}  // namespace qv
