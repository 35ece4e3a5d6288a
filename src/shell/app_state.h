// The process-wide state of Quorvix.exe: window handles that the parts hand to each other, the shared
// resources made at start-up, and the records loaded from the settings file. One instance, owned by the
// start-up code; every window and page reaches it through App().
#pragma once

#include <windows.h>

#include <string>

#include "engine/params.h"
#include "settings/app_options.h"

namespace qv {

struct AppState {
  HINSTANCE instance = nullptr;
  HANDLE heap = nullptr;     // private heap for path arrays handed to runs
  HFONT uiFont = nullptr;    // "MS UI Gothic", -12, Shift-JIS: every control gets it
  HWND mainWindow = nullptr;
  HWND treePanel = nullptr;  // Quorvix_trbase_class, the 180-pixel left column
  HWND treeView = nullptr;
  HWND mainPanel = nullptr;  // Quorvix_mnbase_class, id 1010
  HWND inputField = nullptr;   // combo box 1013
  HWND outputField = nullptr;  // combo box 1014
  HWND progress = nullptr;     // 1020
  HWND tab = nullptr;          // 1030
  HWND stopButton = nullptr;   // 1024
  HWND tooltip = nullptr;
  HWND pages[3] = {};          // output settings 1031, individual input 1032, options 1033
  HANDLE changeNotification = INVALID_HANDLE_VALUE;  // watch on the input folder
  HHOOK keyboardHook = nullptr;
  HCURSOR treeCursors[3] = {};  // input, output, both
  std::wstring settingsPath;
  ConversionParams params;
  StoredAppState stored;  // AppOptions, window position, folder histories, registered folders
  bool runActive = false;  // a conversion run is in progress
};

AppState& App();

}  // namespace qv
