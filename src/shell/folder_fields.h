// The input and output folder fields of the main panel: their texts, their eight-entry histories, and
// the watch on the input folder. Window-free rules of the fields live here too; the steps that involve
// the rest of the window (validation before a run, the change check) are in shell/window_run.h.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/system_folders.h"
#include "platform/win32/unique_handles.h"

namespace qv {

// The text of a folder field (combo box or edit), whole.
std::wstring FolderFieldText(HWND field);

// The entries of a field's history list, in list order (at most the first `limit`).
std::vector<std::wstring> FolderHistory(HWND field, size_t limit = 8);

// Fills a field's history list with the non-empty entries.
void FillFolderHistory(HWND field, const std::vector<std::wstring>& history);

// When the field names an existing folder: moves it to the top of the field's history (an entry equal
// to it ignoring case is replaced, at most 8 entries remain), selects it, stores it in `folder` and
// returns true. Otherwise false and nothing changes.
bool RememberFolder(HWND field, std::wstring& folder);

// True when both name the same folder: letter case and a trailing separator do not count. An empty
// path is no folder.
bool SameFolder(const std::wstring& a, const std::wstring& b);

// The watch on the input folder: files created, deleted, renamed, or changing size; in its sub-folders
// too (and folders made, removed or renamed there) while the list shows the folder's whole tree.
class InputFolderWatch {
 public:
  // Closes the current watch and starts watching `folder` (with `tree`, the folders under it too). A
  // folder that cannot be watched leaves the watch unarmed, silently.
  void Rearm(const std::wstring& folder, bool tree);
  void Close() { handle_.Reset(); }
  bool Armed() const { return static_cast<bool>(handle_); }
  // True when the watch has seen a change since it was armed (tested without waiting).
  bool Signalled() const;

 private:
  UniqueChangeNotification handle_;
};

}  // namespace qv
