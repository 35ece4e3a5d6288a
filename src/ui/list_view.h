// List controls of the program's windows: columns, and the repaint at the end of a vertical scroll that
// the input list and the file-name check's list share.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace qv {

// Appends column `index` with its title, width (96-DPI pixels, scaled for the list's window) and alignment
// (LVCFMT_LEFT, LVCFMT_RIGHT).
void AddListColumn(HWND list, int index, const wchar_t* title, int width, int format = LVCFMT_LEFT);
// What a column needs beside its text: the list's margins left and right of a cell's text.
int ListColumnMargin(HWND list);

// Replaces the window procedure of `list` by ListScrollHook, which repaints the whole list once at the
// end of every vertical scroll; RemoveListScrollHook puts the list's own procedure back.
void InstallListScrollHook(HWND list);
void RemoveListScrollHook(HWND list);
LRESULT CALLBACK ListScrollHook(HWND list, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qv
