// Where the program's shortcut goes in a Send To folder, without the shell: portable so that the unit
// tests check it on every platform.
#pragma once

#include <string>

namespace qv {

// `exePath`'s file name with its extension replaced by ".lnk" (appended when it has none), inside
// `sendToFolder`. Empty when either argument is empty.
std::wstring ShortcutPathIn(const std::wstring& sendToFolder, const std::wstring& exePath);

}  // namespace qv
