// Message boxes of Quorvix.exe: every box goes through one replaceable function, so tests can watch
// what is shown; the fixed messages of the program come with their caption and icon.
#pragma once

#include <windows.h>

#include "batch/messages.h"

namespace qv {

// The default shows a real MessageBoxW. Returns the box's result (IDOK, IDYES, IDNO …).
using MessageBoxFunction = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);  // returns the previous one
int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// A message of the fixed table, owned by `owner`, with its caption and icon and the request to come to
// the foreground.
int ShowAppMessage(HWND owner, MessageCode code);

// The icon style of a message icon.
UINT MessageIconStyle(MessageIcon icon);

}  // namespace qv
