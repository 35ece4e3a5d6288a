// Runs in the main window: their requests built from the window's fields, their reports shown.
#include "shell/window_run.h"

#include <commctrl.h>

#include <new>
#include <optional>

#include "dialogs/file_name_check_dialog.h"
#include "engine/conversion.h"
#include "engine/params.h"
#include "platform/directory.h"
#include "platform/files.h"
#include "preview/output_preview.h"
#include "platform/system_folders.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "ui/message_box.h"

namespace qv {

namespace {

bool IsWindowOrChild(HWND main, HWND window) {
  return main != nullptr && window != nullptr && (window == main || IsChild(main, window));
}

// One queued message of the polled range: true when it asks for the run to stop.
bool IsCancelMessage(const MSG& msg, HWND stopButton) {
  switch (msg.message) {
    case WM_KEYDOWN: return msg.wParam == VK_ESCAPE;
    case WM_COMMAND: return LOWORD(msg.wParam) == IDC_STOP;
    case WM_LBUTTONDOWN: return stopButton != nullptr && msg.hwnd == stopButton;
    default: return false;
  }
}

// Holds the run-active flag of the window for the length of a run.
class ActiveRun {
 public:
  explicit ActiveRun(MainWindow& window) : window_(window) { window_.SetRunActive(true); }
  ~ActiveRun() { window_.SetRunActive(false); }
  ActiveRun(const ActiveRun&) = delete;
  ActiveRun& operator=(const ActiveRun&) = delete;

 private:
  MainWindow& window_;
};

// True when `folder` is the listed folder or, while the list shows its whole tree, a folder under it: a
// change there shows in the list.
bool WithinListedFolders(const InputListPage& page, const std::wstring& folder) {
  const std::wstring& listed = page.Folder();
  if (SameFolder(folder, listed)) return true;
  if (!page.ListsTree() || listed.empty()) return false;
  const std::wstring top = JoinPath(StripTrailingSeparator(listed), std::wstring());
  return folder.size() > top.size() && NamesEqualIgnoringCase(folder.substr(0, top.size()), top);
}

}  // namespace

// ---- the observer ---------------------------------------------------------------------------------

WindowRunObserver::WindowRunObserver(MainWindow& window, const RunRequest& request)
    : window_(window), runOutputFolder_(RunOutputFolder(request.params, request.outputFolder)) {}

void WindowRunObserver::SetTitle(const wchar_t* title) { SetWindowTextW(window_.Handle(), title); }

void WindowRunObserver::ShowMessage(MessageCode code) { window_.ShowMessage(code); }

void WindowRunObserver::BeginRun(int planned) {
  watchSignalledAtStart_ = window_.watch().Signalled();
  // Even a file that fails can leave its trace in the output folder (a copy begun and taken back).
  if (WithinListedFolders(window_.inputPage(), runOutputFolder_)) wroteIntoListedFolder_ = true;
  SendMessageW(window_.Progress(), PBM_SETRANGE32, 0, planned);
  planned_ = planned;
  window_.taskbar().SetState(TaskbarState::kNormal);
  window_.taskbar().SetValue(0, planned);
  SetTitle(kProcessingTitle);
}

void WindowRunObserver::FileStarting(int, const std::wstring&) {}  // the bar steps when a file is done

void WindowRunObserver::FileDone(const FileOutcome& outcome) {
  const InputListPage& page = window_.inputPage();
  if (!outcome.outputPath.empty() && WithinListedFolders(page, ParentPath(outcome.outputPath)))
    wroteIntoListedFolder_ = true;
  // A removed input's row, by its path below the listed folder (of a tree, with its sub-folder).
  const std::wstring& listed = page.Folder();
  const std::wstring inputFolder = outcome.folder.empty() ? listed : JoinPath(listed, outcome.folder);
  if (outcome.disposal == DisposalResult::kRemoved && SameFolder(ParentPath(outcome.inputPath), inputFolder)) {
    const std::wstring name = LastPathComponent(outcome.inputPath);
    removedNames_.push_back(outcome.folder.empty() ? name : JoinPath(outcome.folder, name));
    wroteIntoListedFolder_ = true;
  }
  if (outcome.status == FileStatus::kConverted && outcome.photo.overLimit) ++overLimit_;
  SendMessageW(window_.Progress(), PBM_STEPIT, 0, 0);
  if (outcome.status != FileStatus::kConverted && !failureSeen_) {
    failureSeen_ = true;
    window_.taskbar().SetState(TaskbarState::kError);
  }
  window_.taskbar().SetValue(++done_, planned_);
}

TaskbarState WindowRunObserver::RunningState() const {
  return failureSeen_ ? TaskbarState::kError : TaskbarState::kNormal;
}

bool WindowRunObserver::PollCancelRequest() { return PollWindowCancelRequest(window_); }

void WindowRunObserver::KeepAlive() {
  if (stopping_ && !stoppingShown_) {
    SetTitle(kStoppingTitle);
    stoppingShown_ = true;
  }
  HWND main = window_.Handle();
  if (main == nullptr) return;
  MSG msg;
  while (PeekMessageW(&msg, main, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&msg);
}

bool WindowRunObserver::ConfirmCancel() {
  window_.taskbar().SetState(TaskbarState::kPaused);
  stopping_ = ShowMessageBox(window_.Handle(), kCancelQuestion, kAppTitle,
                             MB_YESNO | MB_ICONWARNING | MB_SETFOREGROUND) == IDYES;
  window_.taskbar().SetState(RunningState());
  return stopping_;
}

void WindowRunObserver::AnnounceNewSubfolder(const std::wstring& folder) {
  window_.tree().AnnounceNewSubfolder(folder);
  if (WithinListedFolders(window_.inputPage(), ParentPath(folder))) wroteIntoListedFolder_ = true;
}

void WindowRunObserver::UpdateInputListAfterRun() {
  window_.inputPage().RemoveRows(removedNames_);
  if (wroteIntoListedFolder_ && !watchSignalledAtStart_)
    window_.watch().Rearm(window_.inputPage().Folder(), window_.inputPage().ListsTree());
}

void WindowRunObserver::EndRun(const RunSummary& summary) {
  SendMessageW(window_.Progress(), PBM_SETPOS, 0, 0);
  window_.taskbar().SetState(TaskbarState::kNone);
  SetTitle(kAppTitle);
  UpdateInputListAfterRun();
  if (window_.options().EndMes != 0) {
    const std::wstring text = SummaryBoxText(summary.planned, summary.written, overLimit_);
    ShowMessageBox(window_.Handle(), text.c_str(), kSummaryCaption, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  } else {
    SetTitle(SummaryTitle(summary.planned, summary.written).c_str());
  }
}

bool PollWindowCancelRequest(const MainWindow& window) {
  HWND main = window.Handle();
  if (main == nullptr) return false;
  MSG msg;
  while (PeekMessageW(&msg, main, WM_PAINT, WM_LBUTTONDOWN, PM_REMOVE)) {
    if (!IsWindowOrChild(main, msg.hwnd)) continue;
    if (msg.message == WM_PAINT) {
      DispatchMessageW(&msg);
      continue;
    }
    if (IsCancelMessage(msg, window.StopButton())) return true;
  }
  return false;
}

// ---- the window's steps before a run --------------------------------------------------------------

bool ValidateFolderFields(MainWindow& window, std::wstring& inputFolder, std::wstring& outputFolder) {
  if (!RememberFolder(window.InputField(), inputFolder)) {
    window.ShowMessage(MessageCode::kInvalidInput);
    window.inputPage().LoadFolder(std::wstring());
    return false;
  }
  if (!RememberFolder(window.OutputField(), outputFolder)) {
    window.ShowMessage(MessageCode::kInvalidOutput);
    return false;
  }
  // The rows are files of the folder they were listed from. A folder typed since then is listed first,
  // so that nothing is converted or removed that the user has not seen.
  if (!SameFolder(inputFolder, window.inputPage().Folder())) {
    window.SetInputFolder(inputFolder);
    window.ShowMessage(MessageCode::kFolderChanged);
    return false;
  }
  return true;
}

FolderChange CheckInputFolderChange(MainWindow& window, bool showMessage) {
  if (!window.watch().Signalled()) return FolderChange::kGoOn;
  const std::wstring folder = window.inputPage().Folder();
  window.inputPage().LoadFolder(folder);
  window.watch().Rearm(folder, window.inputPage().ListsTree());
  if (showMessage && window.options().FileMes != 0) {
    window.ShowMessage(MessageCode::kFolderChanged);
    return FolderChange::kStop;
  }
  return FolderChange::kGoOn;
}

namespace {

// The part of a folder run's request that the window's fields decide once both folders are valid.
bool FillFolderRequest(MainWindow& window, const std::wstring& inputFolder, const std::wstring& outputFolder,
                       RunRequest& request) {
  request = RunRequest{};
  request.inputs = CheckedRunInputs(inputFolder, window.inputPage().Rows());
  if (request.inputs.empty()) {
    window.ShowMessage(MessageCode::kNoFiles);
    return false;
  }
  request.outputFolder = outputFolder;
  request.source = RunSource::kFolder;
  return true;
}

// The parameters in force: the window's record, which the fields were just stored into, in the ranges
// the page offers (as the command line bounds the stored values it converts with). Runs use every
// processor; this thread only waits for the file whose turn it is, as it would convert it.
void TakeParams(MainWindow& window, RunRequest& request) {
  request.params = window.params();
  BoundToOfferedRanges(request.params);
  request.disposal = DisposalOf(request.params);
  request.jobs = ProcessorCount();
}

}  // namespace

bool BuildFolderRunRequest(MainWindow& window, RunRequest& request) {
  std::wstring inputFolder, outputFolder;
  if (!ValidateFolderFields(window, inputFolder, outputFolder)) return false;
  if (CheckInputFolderChange(window, true) == FolderChange::kStop) return false;
  if (!FillFolderRequest(window, inputFolder, outputFolder, request)) return false;
  window.inputPage().ReleasePreview();
  window.outputPage().StoreFields();
  TakeParams(window, request);
  return true;
}

bool BuildNameCheckRequest(MainWindow& window, RunRequest& request) {
  std::wstring inputFolder, outputFolder;
  if (!ValidateFolderFields(window, inputFolder, outputFolder)) return false;
  CheckInputFolderChange(window, false);  // a changed folder is reloaded quietly; the check goes on
  if (!FillFolderRequest(window, inputFolder, outputFolder, request)) return false;
  // The text fields, so that the sub-folder and the name parts are those the run would use.
  window.outputPage().StoreNameFields();
  TakeParams(window, request);
  return true;
}

bool BuildFileListRunRequest(MainWindow& window, const std::vector<std::wstring>& paths, RunSource source,
                             RunRequest& request) {
  request = RunRequest{};
  request.inputs = RunInputsOf(paths);
  request.source = source;
  bool valid;
  if (source == RunSource::kDrop) {
    valid = RememberFolder(window.OutputField(), request.outputFolder);
  } else {
    request.outputFolder = DefaultOutputFolder(window.options().SdToPath, request.inputs);
    valid = IsExistingFolder(request.outputFolder);
  }
  if (!valid) {
    window.ShowMessage(MessageCode::kInvalidOutput);
    return false;
  }
  window.outputPage().StoreFields();
  TakeParams(window, request);
  return true;
}

// ---- runs -----------------------------------------------------------------------------------------

namespace {

// The run of a request. An allocation that fails where the run cannot go on (the run has ended its
// workers and deleted their files) ends it with "メモリ確保に失敗しました。".
RunSummary ExecuteWindowRun(MainWindow& window, const RunRequest& request) {
  WindowRunObserver observer(window, request);
  try {
    return ExecuteRun(request, observer);
  } catch (const std::bad_alloc&) {
    SendMessageW(window.Progress(), PBM_SETPOS, 0, 0);
    window.taskbar().SetState(TaskbarState::kNone);
    SetWindowTextW(window.Handle(), kAppTitle);
    window.ShowMessage(MessageCode::kMemory);
    return {};
  }
}

}  // namespace

RunSummary RunFolderConversion(MainWindow& window) {
  if (window.RunActive()) return {};
  ActiveRun active(window);
  RunRequest request;
  if (!BuildFolderRunRequest(window, request)) return {};
  return ExecuteWindowRun(window, request);
}

RunSummary RunFileListConversion(MainWindow& window, const std::vector<std::wstring>& paths, RunSource source) {
  if (window.RunActive()) return {};
  ActiveRun active(window);
  RunRequest request;
  if (!BuildFileListRunRequest(window, paths, source, request)) return {};
  return ExecuteWindowRun(window, request);
}

namespace {

// The file of a row: its name below the listed folder, with its sub-folder in a tree listing.
std::wstring RowPath(const RunRow& row) { return row.folder.empty() ? row.name : JoinPath(row.folder, row.name); }

// The row the output preview shows (its path below the listed folder): the first selected one, else the
// first checked one; empty for none.
std::wstring OutputPreviewRow(const InputListPage& page) {
  const std::vector<RunRow> rows = page.Rows();
  const int selected = page.FirstSelectedRow();
  if (selected >= 0 && static_cast<size_t>(selected) < rows.size()) return RowPath(rows[static_cast<size_t>(selected)]);
  for (const RunRow& row : rows)
    if (row.checked) return RowPath(row);
  return std::wstring();
}

}  // namespace

void ShowOutputPreview(MainWindow& window) {
  if (window.RunActive()) return;
  const std::wstring folder = FolderFieldText(window.InputField());
  if (folder.empty() || !IsExistingFolder(folder)) {
    window.ShowMessage(MessageCode::kInvalidInput);
    return;
  }
  const std::wstring name = OutputPreviewRow(window.inputPage());
  if (name.empty()) {
    window.ShowMessage(MessageCode::kNoFiles);
    return;
  }
  window.outputPage().StoreFields();
  RunRequest request;
  TakeParams(window, request);
  CodecStates states;
  if (!PrepareCodecStates(states)) {
    ReleaseCodecStates(states);
    window.ShowMessage(MessageCode::kMemory);
    return;
  }
  ConversionContext context;
  context.params = &request.params;
  context.states = &states;
  context.tempFolder = TemporaryFolder();
  // A row names a file of the folder it was listed from, whatever the field says by now.
  std::wstring tempPath;
  if (ConvertFileToTemp(context, JoinPath(window.inputPage().Folder(), name), tempPath)) {
    RunOutputPreviewDialog(window.Handle(), tempPath, request.params);
    DeleteFileAt(tempPath);
  }
  ReleaseCodecStates(states);
}

void ShowFileNameCheck(MainWindow& window) {
  if (window.RunActive()) return;
  RunRequest request;
  if (!BuildNameCheckRequest(window, request)) return;
  const std::optional<std::vector<NameCheckRow>> rows = PlanOutputNames(request);
  if (!rows) {
    window.ShowMessage(MessageCode::kMemory);
    return;
  }
  // The dialog opens on the tab control's top-left corner, over the pages, with its own size.
  RECT tab{};
  GetWindowRect(window.Tab(), &tab);
  if (RunFileNameCheckDialog(window.Handle(), POINT{tab.left, tab.top}, *rows)) RunFolderConversion(window);
}

}  // namespace qv
