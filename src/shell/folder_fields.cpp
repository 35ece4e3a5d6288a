// The two folder fields of the main panel and the watch on the input folder.
#include "shell/folder_fields.h"

#include "platform/directory.h"
#include "platform/win32/long_path.h"
#include "ui/controls.h"

namespace qv {

namespace {

constexpr LRESULT kMaxHistory = 8;

}  // namespace

std::wstring FolderFieldText(HWND field) {
  const int length = GetWindowTextLengthW(field);
  return length > 0 ? ControlText(field, static_cast<size_t>(length)) : std::wstring();
}

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

void FillFolderHistory(HWND field, const std::vector<std::wstring>& history) {
  for (const std::wstring& entry : history) {
    if (entry.empty()) continue;
    SendMessageW(field, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
}

bool RememberFolder(HWND field, std::wstring& folder) {
  const std::wstring text = FolderFieldText(field);
  if (text.empty() || !IsExistingFolder(text)) return false;
  const LRESULT found =
      SendMessageW(field, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
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

void InputFolderWatch::Rearm(const std::wstring& folder, bool tree) {
  DWORD changes = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE;
  if (tree) changes |= FILE_NOTIFY_CHANGE_DIR_NAME;
  handle_.Reset(FindFirstChangeNotificationW(SystemPath(folder).c_str(), tree ? TRUE : FALSE, changes));
}

bool InputFolderWatch::Signalled() const { return handle_ && WaitForSingleObject(handle_.Get(), 0) == WAIT_OBJECT_0; }

}  // namespace qv
