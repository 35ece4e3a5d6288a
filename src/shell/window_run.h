// Conversion runs in the main window: the window's steps before a run (validating the folder fields,
// the change check, the rows, reading the page's fields) build the run's request; the batch core runs it
// and reports to an observer on the window's progress bar, title, message boxes and input list, with the
// polling that lets Escape or "中止" stop a run while every other input of the window is discarded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "batch/messages.h"
#include "batch/run.h"
#include "ui/taskbar_progress.h"

namespace qv {

class MainWindow;

// The run's reports in the main window: the progress bar and the taskbar button (normal while
// converting, error once a file failed, paused while the cancel question is open, cleared at the end),
// the title, the message boxes, the polling that lets Escape or "中止" stop a run, and the input list
// brought up to date after the run.
class WindowRunObserver : public RunObserver {
 public:
  WindowRunObserver(MainWindow& window, const RunRequest& request);
  void ShowMessage(MessageCode code) override;
  void BeginRun(int planned) override;
  void FileStarting(int index, const std::wstring& inputPath) override;
  void FileDone(const FileOutcome& outcome) override;
  // Paints the window while the run waits for a worker; after a confirmed cancel the title says that
  // the run is stopping. Input stays queued for PollCancelRequest.
  void KeepAlive() override;
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
  void SetTitle(const wchar_t* title);
  TaskbarState RunningState() const;

  MainWindow& window_;
  std::wstring runOutputFolder_;  // where the outputs go, with the sub-folder
  bool wroteIntoListedFolder_ = false;
  bool watchSignalledAtStart_ = false;
  bool stopping_ = false;  // the user confirmed the cancel question
  bool stoppingShown_ = false;
  std::vector<std::wstring> removedNames_;  // inputs removed from the listed folder, by their paths below it
  int overLimit_ = 0;                       // outputs larger than the size bound even at quality 1
  int planned_ = 0;
  int done_ = 0;
  bool failureSeen_ = false;  // a file of the run was not converted: the taskbar shows the error state
};

// Takes every queued message in WM_PAINT..WM_LBUTTONDOWN of the main window and its children: paint
// messages are delivered, Escape, command 1024 and a left click on the stop button end the scan with
// true, everything else of that range is discarded. Messages outside the range stay queued.
bool PollWindowCancelRequest(const MainWindow& window);

// RememberFolder on both fields, with "入力フォルダが無効です。" (and the input list emptied) or
// "出力フォルダが無効です。" on failure. When the input field names another folder than the one the
// input list shows, that folder is set and the folder-changed warning shown instead, so that the user
// sees its files before anything is done with them. True only when both are valid and the list shows the
// input folder.
bool ValidateFolderFields(MainWindow& window, std::wstring& inputFolder, std::wstring& outputFolder);

enum class FolderChange { kGoOn, kStop };

// When the watch reports a change: reloads the input list from its folder, re-arms the watch, and with
// `showMessage` and FileMes set shows the folder-changed warning and returns kStop.
FolderChange CheckInputFolderChange(MainWindow& window, bool showMessage);

// The request of the "変換" button, after the window's own steps: both folder fields validated (message 3
// or 4), the change check of the input folder (a change stops with its message when FileMes asks for
// it), the checked rows ("対象ファイルがありません。" when there are none), the input preview released, and
// the values still held in the output settings page's fields stored into the parameters. False when no
// run may start (the message has been shown).
bool BuildFolderRunRequest(MainWindow& window, RunRequest& request);

// The request whose names the file-name check shows: as the "変換" button's, except that a changed input
// folder is reloaded quietly and the check goes on, the preview stays, and of the page's fields only the
// text and number fields of the names are read.
bool BuildNameCheckRequest(MainWindow& window, RunRequest& request);

// The request of a run over explicit paths: source kCommandLine (the Send To menu) writes into SdToPath,
// else the folder of the first path; kDrop into the output field's folder, which is remembered. False
// with "出力フォルダが無効です。" shown when that is no existing folder.
bool BuildFileListRunRequest(MainWindow& window, const std::vector<std::wstring>& paths, RunSource source,
                             RunRequest& request);

// The run of the "変換" button over the checked rows of the input list. Nothing happens during a run.
RunSummary RunFolderConversion(MainWindow& window);

// A run over explicit paths (the command line, source kCommandLine; drops, kDrop).
RunSummary RunFileListConversion(MainWindow& window, const std::vector<std::wstring>& paths, RunSource source);

// The command of button 1021: the file of the first selected row (else the first checked one) converted
// as a run would convert it into a temporary file, shown in the output preview window and deleted when it
// closes. "入力フォルダが無効です。" when the input field names no existing folder, "対象ファイルがありません。"
// without a row, "メモリ確保に失敗しました。" when the codecs cannot be made; a file that does not convert
// opens nothing. Nothing is written to the output folder.
void ShowOutputPreview(MainWindow& window);

// The command of button 1022: the names of the run as it would go now (message 3/4 for invalid folders,
// a changed input folder reloaded without a message, message 6 when no row is checked, message 0 when the
// Exif reader cannot be made), shown in the file-name check dialog over the tab control; "変換" there
// starts the same folder run as the main window's "変換" button.
void ShowFileNameCheck(MainWindow& window);

}  // namespace qv
