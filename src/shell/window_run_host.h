// Conversion runs in the main window: the batch core's RunHost implemented with the window's progress
// bar, title, message boxes and input list, and the polling that lets Escape or "中止" stop a run
// while every other input of the window is discarded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "batch/messages.h"
#include "batch/run.h"

namespace qv {

// Every message box of the program goes through this function, so tests can watch what is shown.
// The default shows a real MessageBoxW. Returns the box's result (IDOK, IDYES, IDNO …).
using MessageBoxFunction = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);  // returns the previous one
int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// A message of the fixed table, owned by the main window, with its caption and icon and the request to
// come to the foreground.
int ShowAppMessage(MessageCode code);

// The icon style of a message icon.
UINT MessageIconStyle(MessageIcon icon);

class WindowRunHost : public RunHost {
 public:
  void ShowMessage(MessageCode code) override;
  bool ValidateFolderFields(std::wstring& inputFolder, std::wstring& outputFolder) override;
  bool InputFolderChangedStop() override;
  std::vector<RunRow> Rows() override;
  bool RememberOutputFolder(std::wstring& outputFolder) override;
  void PrepareRunSettings(ConversionParams& params) override;
  void ReleaseInputPreview() override;
  void BeginRun(int planned) override;
  void FileDone(const FileOutcome& outcome) override;
  bool PollCancelRequest() override;
  bool ConfirmCancel() override;
  void AnnounceNewSubfolder(const std::wstring& folder) override;
  // Also brings the input list up to date with what the run did in its folder (below).
  void EndRun(const RunSummary& summary) override;

 private:
  // Inputs the run removed leave the list. When the run wrote into, or removed from, the folder the
  // list shows, the watch is armed afresh: the program's own changes are no change of the input folder.
  // A change that was already reported when the run began stays reported.
  void UpdateInputListAfterRun();

  std::wstring outputFolder_;     // the validated output folder field (folder and drop runs)
  std::wstring runOutputFolder_;  // where the outputs go, with the sub-folder
  bool wroteIntoListedFolder_ = false;
  bool watchSignalledAtStart_ = false;
  std::vector<std::wstring> removedNames_;  // inputs removed from the listed folder
};

// Takes every queued message in WM_PAINT..WM_LBUTTONDOWN of the main window and its children: paint
// messages are delivered, Escape, command 1024 and a left click on the stop button end the scan with
// true, everything else of that range is discarded. Messages outside the range stay queued.
bool PollWindowCancelRequest();

// The run of the "変換" button over the checked rows of the input list.
RunSummary RunFolderConversionInWindow();

// A run over explicit paths (the command line, source kCommandLine; drops, kDrop).
RunSummary RunFileListConversionInWindow(const std::vector<std::wstring>& paths, RunSource source);

}  // namespace qv
