// The two folder fields of the main panel and the watch on the input folder.
#include "shell/folder_fields.h"

#include "platform/directory.h"
#include "platform/system_folders.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/pages.h"
#include "shell/window_run_host.h"

namespace qv {

namespace {

constexpr LRESULT kMaxHistory = 8;

void SetFieldText(HWND field, const std::wstring& text) {
  if (field != nullptr) SetWindowTextW(field, text.c_str());
}

}  // namespace

std::wstring FolderFieldText(HWND field) { return ControlText(field, kFolderFieldMaxChars); }

std::vector<std::wstring> FolderHistory(HWND field, size_t limit) {
  std::vector<std::wstring> entries;
  const LRESULT count = SendMessageW(field, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count && entries.size() < limit; ++i) {
    const LRESULT length = SendMessageW(field, CB_GETLBTEXTLEN, i, 0);
    if (length == CB_ERR) continue;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(field, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    entries.push_back(text);
  }
  return entries;
}

void CloseInputWatch() {
  HANDLE& watch = App().changeNotification;
  if (watch != INVALID_HANDLE_VALUE && watch != nullptr) FindCloseChangeNotification(watch);
  watch = INVALID_HANDLE_VALUE;
}

void RearmInputWatch(const std::wstring& folder) {
  CloseInputWatch();
  App().changeNotification = FindFirstChangeNotificationW(
      folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE);
}

void SetInputFolder(const std::wstring& folder) {
  SetFieldText(App().inputField, folder);
  LoadInputFolder(folder);
  RearmInputWatch(folder);
}

void SetOutputFolder(const std::wstring& folder) { SetFieldText(App().outputField, folder); }

bool RememberFolder(HWND field, std::wstring& folder) {
  const std::wstring text = FolderFieldText(field);
  if (text.empty() || !IsExistingFolder(text)) return false;
  const LRESULT found = SendMessageW(field, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
  if (found != CB_ERR) SendMessageW(field, CB_DELETESTRING, found, 0);
  SendMessageW(field, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(field, CB_SETCURSEL, 0, 0);
  if (SendMessageW(field, CB_GETCOUNT, 0, 0) > kMaxHistory) SendMessageW(field, CB_DELETESTRING, kMaxHistory, 0);
  folder = text;
  return true;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && !b.empty() && NamesEqualIgnoringCase(StripTrailingSeparator(a), StripTrailingSeparator(b));
}

bool ValidateFolderFields(std::wstring& inputFolder, std::wstring& outputFolder) {
  if (!RememberFolder(App().inputField, inputFolder)) {
    ShowAppMessage(MessageCode::kInvalidInput);
    LoadInputFolder(std::wstring());
    return false;
  }
  if (!RememberFolder(App().outputField, outputFolder)) {
    ShowAppMessage(MessageCode::kInvalidOutput);
    return false;
  }
  // The rows are files of the folder they were listed from. A folder typed since then is listed first,
  // so that nothing is converted or removed that the user has not seen.
  if (!SameFolder(inputFolder, InputListFolder())) {
    SetInputFolder(inputFolder);
    ShowAppMessage(MessageCode::kFolderChanged);
    return false;
  }
  return true;
}

bool InputWatchSignalled() {
  HANDLE watch = App().changeNotification;
  if (watch == INVALID_HANDLE_VALUE || watch == nullptr) return false;
  return WaitForSingleObject(watch, 0) == WAIT_OBJECT_0;
}

FolderChange CheckInputFolderChange(bool showMessage) {
  if (!InputWatchSignalled()) return FolderChange::kGoOn;
  const std::wstring folder = InputListFolder();
  LoadInputFolder(folder);
  RearmInputWatch(folder);
  if (showMessage && App().stored.options.FileMes != 0) {
    ShowAppMessage(MessageCode::kFolderChanged);
    return FolderChange::kStop;
  }
  return FolderChange::kGoOn;
}

bool ApplyDropToField(POINT screenPoint, const std::wstring& folder) {
  AppState& app = App();
  HWND target = WindowFromPoint(screenPoint);
  if (target == nullptr) return false;
  HWND parent = GetParent(target);
  if (parent != nullptr && parent == app.inputField) {
    SetInputFolder(folder);
    return true;
  }
  if (parent != nullptr && parent == app.outputField) {
    SetOutputFolder(folder);
    return true;
  }
  if (parent == nullptr || parent != app.pages[2]) return false;
  AppOptions& options = app.stored.options;
  switch (GetDlgCtrlID(target)) {
    case IDC_STARTUP_INPUT_PATH: options.ISPath = folder; break;
    case IDC_STARTUP_OUTPUT_PATH: options.OSPath = folder; break;
    case IDC_SENDTO_FOLDER: options.SdToPath = folder; break;
    default: return false;
  }
  SetWindowTextW(target, folder.c_str());
  return true;
}

}  // namespace qv
