// The program's shortcut in the user's Send To menu: where it lives, whether it exists, creating and
// removing it. Needs COM initialised on the calling thread; knows nothing of windows.
#pragma once

#include <string>

namespace qv {

// `exePath`'s file name with its extension replaced by ".lnk" (appended when it has none), inside
// `sendToFolder`. Empty when either argument is empty.
std::wstring ShortcutPathIn(const std::wstring& sendToFolder, const std::wstring& exePath);

// The running program's shortcut path in the user's Send To known folder; empty when the folder or the
// program path is unknown.
std::wstring SendToShortcutPath();

// True when the program's shortcut file exists in the Send To folder.
bool SendToShortcutExists();

// Writes a shell link at `linkPath` that starts `target` with no arguments, icon 0 of `target` and the
// normal show state. Overwrites an existing file. False on any failure (nothing is reported).
bool CreateShortcutFile(const std::wstring& linkPath, const std::wstring& target);

// The file-system path a shell link points to, read through its item id list (not through the ANSI code
// page); empty when the link cannot be loaded or has no file-system target.
std::wstring ReadShortcutTarget(const std::wstring& linkPath);

// Makes the Send To shortcut match `registered`: created when wanted and missing, deleted when unwanted
// and present. Failures are silent; returns whether the shortcut now matches.
bool UpdateSendToShortcut(bool registered);

}  // namespace qv
