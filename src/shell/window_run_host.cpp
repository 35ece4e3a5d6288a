// Runs in the main window: their requests built from the window's fields, their reports shown.
#include "shell/window_run_host.h"

#include <commctrl.h>

#include "platform/system_folders.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/folder_fields.h"
#include "shell/pages.h"

namespace qv {

namespace {

int DefaultMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return MessageBoxW(owner, text, caption, type);
}

MessageBoxFunction gMessageBox = DefaultMessageBox;

void SetMainTitle(const wchar_t* title) {
  if (App().mainWindow != nullptr) SetWindowTextW(App().mainWindow, title);
}

bool IsMainWindowOrChild(HWND window) {
  HWND main = App().mainWindow;
  return main != nullptr && window != nullptr && (window == main || IsChild(main, window));
}

// One queued message of the polled range: true when it asks for the run to stop.
bool IsCancelMessage(const MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN: return msg.wParam == VK_ESCAPE;
    case WM_COMMAND: return LOWORD(msg.wParam) == IDC_STOP;
    case WM_LBUTTONDOWN: return App().stopButton != nullptr && msg.hwnd == App().stopButton;
    default: return false;
  }
}

// Holds the run-active flag for the length of a run.
class ActiveRun {
 public:
  ActiveRun() { App().runActive = true; }
  ~ActiveRun() { App().runActive = false; }
  ActiveRun(const ActiveRun&) = delete;
  ActiveRun& operator=(const ActiveRun&) = delete;
};

}  // namespace

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
  MessageBoxFunction previous = gMessageBox;
  gMessageBox = function != nullptr ? function : DefaultMessageBox;
  return previous;
}

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return gMessageBox(owner, text, caption, type);
}

UINT MessageIconStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kError: return MB_ICONERROR;
    case MessageIcon::kWarning: return MB_ICONWARNING;
    case MessageIcon::kInformation: return MB_ICONINFORMATION;
  }
  return 0;
}

int ShowAppMessage(MessageCode code) {
  const MessageText& message = MessageFor(code);
  return ShowMessageBox(App().mainWindow, message.text, message.caption,
                        MB_OK | MessageIconStyle(message.icon) | MB_SETFOREGROUND);
}

WindowRunObserver::WindowRunObserver(const RunRequest& request)
    : runOutputFolder_(RunOutputFolder(request.params, request.outputFolder)) {}

void WindowRunObserver::ShowMessage(MessageCode code) { ShowAppMessage(code); }

void WindowRunObserver::BeginRun(int planned) {
  watchSignalledAtStart_ = InputWatchSignalled();
  // Even a file that fails can leave its trace in the output folder (a copy begun and taken back).
  if (SameFolder(runOutputFolder_, InputListFolder())) wroteIntoListedFolder_ = true;
  SendMessageW(App().progress, PBM_SETRANGE32, 0, planned);
  SetMainTitle(kProcessingTitle);
}

void WindowRunObserver::FileStarting(int, const std::wstring&) {}  // the bar steps when a file is done

void WindowRunObserver::FileDone(const FileOutcome& outcome) {
  const std::wstring& listed = InputListFolder();
  if (!outcome.outputPath.empty() && SameFolder(ParentPath(outcome.outputPath), listed))
    wroteIntoListedFolder_ = true;
  if (outcome.disposal == DisposalResult::kRemoved && SameFolder(ParentPath(outcome.inputPath), listed)) {
    removedNames_.push_back(LastPathComponent(outcome.inputPath));
    wroteIntoListedFolder_ = true;
  }
  SendMessageW(App().progress, PBM_STEPIT, 0, 0);
}

bool WindowRunObserver::PollCancelRequest() { return PollWindowCancelRequest(); }

bool WindowRunObserver::ConfirmCancel() {
  return ShowMessageBox(App().mainWindow, kCancelQuestion, kAppTitle,
                        MB_YESNO | MB_ICONWARNING | MB_SETFOREGROUND) == IDYES;
}

void WindowRunObserver::AnnounceNewSubfolder(const std::wstring& folder) {
  if (SameFolder(ParentPath(folder), InputListFolder())) wroteIntoListedFolder_ = true;
}

void WindowRunObserver::UpdateInputListAfterRun() {
  RemoveInputRows(removedNames_);
  if (wroteIntoListedFolder_ && !watchSignalledAtStart_) RearmInputWatch(InputListFolder());
}

void WindowRunObserver::EndRun(const RunSummary& summary) {
  SendMessageW(App().progress, PBM_SETPOS, 0, 0);
  SetMainTitle(kAppTitle);
  UpdateInputListAfterRun();
  if (App().stored.options.EndMes != 0) {
    const std::wstring text = SummaryBoxText(summary.planned, summary.written);
    ShowMessageBox(App().mainWindow, text.c_str(), kSummaryCaption,
                   MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  } else {
    SetMainTitle(SummaryTitle(summary.planned, summary.written).c_str());
  }
}

bool PollWindowCancelRequest() {
  HWND main = App().mainWindow;
  if (main == nullptr) return false;
  MSG msg;
  while (PeekMessageW(&msg, main, WM_PAINT, WM_LBUTTONDOWN, PM_REMOVE)) {
    if (!IsMainWindowOrChild(msg.hwnd)) continue;
    if (msg.message == WM_PAINT) {
      DispatchMessageW(&msg);
      continue;
    }
    if (IsCancelMessage(msg)) return true;
  }
  return false;
}

namespace {

// The part of a folder run's request that the window's fields decide once both folders are valid.
bool FillFolderRequest(const std::wstring& inputFolder, const std::wstring& outputFolder, RunRequest& request) {
  request = RunRequest{};
  request.inputs = CheckedRunInputs(inputFolder, InputListRows());
  if (request.inputs.empty()) {
    ShowAppMessage(MessageCode::kNoFiles);
    return false;
  }
  request.outputFolder = outputFolder;
  request.source = RunSource::kFolder;
  return true;
}

// The parameters in force: the process's record, which the fields were just read into.
void TakeParams(RunRequest& request) {
  request.params = App().params;
  request.disposal = DisposalOf(request.params);
}

}  // namespace

bool BuildFolderRunRequest(RunRequest& request) {
  std::wstring inputFolder, outputFolder;
  if (!ValidateFolderFields(inputFolder, outputFolder)) return false;
  if (CheckInputFolderChange(true) == FolderChange::kStop) return false;
  if (!FillFolderRequest(inputFolder, outputFolder, request)) return false;
  ReleaseInputPreview();
  ReadOutputSettingsIntoParams(App().params);
  TakeParams(request);
  return true;
}

bool BuildNameCheckRequest(RunRequest& request) {
  std::wstring inputFolder, outputFolder;
  if (!ValidateFolderFields(inputFolder, outputFolder)) return false;
  CheckInputFolderChange(false);  // a changed folder is reloaded quietly; the check goes on
  if (!FillFolderRequest(inputFolder, outputFolder, request)) return false;
  // The text fields, so that the sub-folder and the name parts are those the run would use.
  ReadTabTextFields(App().params);
  TakeParams(request);
  return true;
}

bool BuildFileListRunRequest(const std::vector<std::wstring>& paths, RunSource source, RunRequest& request) {
  request = RunRequest{};
  request.inputs = RunInputsOf(paths);
  request.source = source;
  bool valid;
  if (source == RunSource::kDrop) {
    valid = RememberFolder(App().outputField, request.outputFolder);
  } else {
    request.outputFolder = DefaultOutputFolder(App().stored.options.SdToPath, request.inputs);
    valid = IsExistingFolder(request.outputFolder);
  }
  if (!valid) {
    ShowAppMessage(MessageCode::kInvalidOutput);
    return false;
  }
  ReadOutputSettingsIntoParams(App().params);
  TakeParams(request);
  return true;
}

RunSummary RunFolderConversion() {
  if (App().runActive) return {};
  ActiveRun active;
  RunRequest request;
  if (!BuildFolderRunRequest(request)) return {};
  WindowRunObserver observer(request);
  return ExecuteRun(request, observer);
}

RunSummary RunFileListConversion(const std::vector<std::wstring>& paths, RunSource source) {
  if (App().runActive) return {};
  ActiveRun active;
  RunRequest request;
  if (!BuildFileListRunRequest(paths, source, request)) return {};
  WindowRunObserver observer(request);
  return ExecuteRun(request, observer);
}

}  // namespace qv
