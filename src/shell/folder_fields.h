// The input and output folder fields of the main panel: setting them, their eight-entry histories, the
// validation before a run, the watch on the input folder, and placing a dropped folder into the field
// under a screen point. SetInputFolder and SetOutputFolder are declared in pages.h.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/system_folders.h"

namespace qv {

constexpr size_t kFolderFieldMaxChars = kMaxPathChars;

// The text of a folder field (combo box or edit), at most 259 characters.
std::wstring FolderFieldText(HWND field);

// The entries of a field's history list, in list order (at most the first `limit`).
std::vector<std::wstring> FolderHistory(HWND field, size_t limit = 8);

// Closes the current watch and starts watching `folder` (files created, deleted, renamed, or changing
// size; no sub-folders). A folder that cannot be watched leaves the watch invalid, silently.
void RearmInputWatch(const std::wstring& folder);
// Closes the watch, if one is armed (shut-down).
void CloseInputWatch();
// True when the watch has seen a change since it was armed (tested without waiting).
bool InputWatchSignalled();

// When the field names an existing folder: moves it to the top of the field's history (an entry equal
// to it ignoring case is replaced, at most 8 entries remain), selects it, stores it in `folder` and
// returns true. Otherwise false and nothing changes.
bool RememberFolder(HWND field, std::wstring& folder);

// RememberFolder on both fields, with "入力フォルダが無効です。" (and the input list emptied) or
// "出力フォルダが無効です。" on failure. When the input field names another folder than the one the
// input list shows, that folder is set (SetInputFolder) and the folder-changed warning shown instead, so
// that the user sees its files before anything is done with them. True only when both are valid and
// the list shows the input folder.
bool ValidateFolderFields(std::wstring& inputFolder, std::wstring& outputFolder);

// True when both name the same folder: letter case and a trailing separator do not count. An empty
// path is no folder.
bool SameFolder(const std::wstring& a, const std::wstring& b);

enum class FolderChange { kGoOn, kStop };

// When the watch reports a change: reloads the input list from its folder, re-arms the watch, and with
// `showMessage` and FileMes set shows the folder-changed warning and returns kStop.
FolderChange CheckInputFolderChange(bool showMessage);

// Places `folder` into the folder field under `screenPoint`: the edit part of the input or output field,
// or one of the three path fields of the options page (ISPath, OSPath, SdToPath). False when the point
// is over any other window.
bool ApplyDropToField(POINT screenPoint, const std::wstring& folder);

}  // namespace qv
