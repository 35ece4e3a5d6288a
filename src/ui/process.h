// What Quorvix.exe holds for the whole process: the instance, the private heap, the user-interface font,
// COM and HTML Help, and the settings file's path. Made once at start-up (shell/startup.cpp) and read by
// the windows; window state lives in the window objects, never here.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/unique_handles.h"

namespace qv {

struct ProcessRecord {
  HINSTANCE instance = nullptr;
  HANDLE heap = nullptr;   // private heap for path arrays handed to runs
  HFONT uiFont = nullptr;  // "MS UI Gothic", -12, Shift-JIS: every control gets it
  std::wstring settingsPath;
  ComApartment com;
  DWORD_PTR helpCookie = 0;
};

// The one record of the process.
ProcessRecord& Process();

}  // namespace qv
