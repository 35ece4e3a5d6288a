// AppOptions: the window and application options of section MWin, and the registered folders of
// section FolderList. One record each for the process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

struct AppOptions {
  uint8_t TopMost = 0;     // main window stays on top
  int32_t TvIOSet = 2;     // folder tree click sets 0 input, 1 output, 2 both
  int32_t Hidden = 2;      // attribute mask of entries left out of lists (2 = hidden ones)
  uint8_t DTExpand = 1;    // expand the desktop node at start-up
  uint8_t EndMes = 1;      // summary as a message box (else in the title)
  uint8_t FileMes = 1;     // warn and stop when the input folder changed
  uint8_t SdToCvt = 0;     // Send To start: 1 convert at once and exit
  uint8_t TipAct = 1;      // tooltips shown
  int32_t CalcNum = 1200;  // input of the size sample, pixels
  int32_t IIFolder = 0;    // input folder at start-up: 0 none, 1 last (IEPath), 2 specified (ISPath)
  int32_t OIFolder = 0;    // output folder at start-up, likewise
  std::wstring ISPath;
  std::wstring OSPath;
  std::wstring IEPath;
  std::wstring OEPath;
  std::wstring SdToPath;   // output folder of Send To runs; empty = the inputs' folder
  uint8_t SubFolders = 0;  // the input list holds the photos of the input folder's sub-folders too
};

constexpr size_t kMaxRegisteredFolders = 100;
constexpr size_t kHistoryLength = 8;

// Everything the settings file holds besides ConversionParams.
struct StoredAppState {
  AppOptions options;
  bool hasWindowPosition = false;  // WinX/WinY present; otherwise the window is centred
  int32_t winX = 0;
  int32_t winY = 0;
  std::vector<std::wstring> inputHistory;   // IH0..IH7, most recent first, non-empty entries
  std::vector<std::wstring> outputHistory;  // OH0..OH7
  std::vector<std::wstring> registeredFolders;  // FolderList, existing folders only
};

}  // namespace qv
