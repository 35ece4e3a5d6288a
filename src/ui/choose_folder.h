// The shell's folder browser for the "設定" buttons of the options page.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qv {

// Shows the folder browser titled "フォルダ設定", owned by `owner`, new dialog style, file-system folders
// only, with `initialPath` preselected when it is not empty. Returns the confirmed folder's path (whatever its
// length), or nothing when the user cancels or picks an item without a file-system path. The
// process's current directory is the same afterwards as before. Runs a modal loop on the calling thread.
std::optional<std::wstring> ChooseFolder(const std::wstring& initialPath, HWND owner);

}  // namespace qv
