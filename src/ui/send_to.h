// The program's shortcut in the user's Send To menu: where it lives, whether it exists, creating and
// removing it. Needs COM initialised on the calling thread; knows nothing of windows.
#pragma once

#include <string>

namespace qv {

// The running program's shortcut path in the user's Send To known folder; empty when the folder or the
// program path is unknown.
std::wstring SendToShortcutPath();

// True when the program's shortcut file exists in the Send To folder.
bool SendToShortcutExists();

// Makes the Send To shortcut match `registered`: created when wanted and missing, deleted when unwanted
// and present. Failures are silent; returns whether the shortcut now matches.
bool UpdateSendToShortcut(bool registered);

}  // namespace qv
