// Shell links (.lnk files) through the shell's link object: telling one apart, reading its target and
// writing a new one. Needs COM initialised on the calling thread; knows nothing of windows.
#pragma once

#include <windows.h>
#include <shtypes.h>

#include <string>

namespace qv {

// The file-system path of a shell item id list, as long as it is (SHGetPathFromIDListEx, else the item's
// SIGDN_FILESYSPATH name). Empty for an item without one (a virtual folder) or a null list.
std::wstring FileSystemPathOf(PCIDLIST_ABSOLUTE items);

// True when `path` is a shell link (.lnk) file.
bool IsShellLink(const std::wstring& path);

// The file-system path a shell link points to: read through its item id list (which keeps the wide path
// at any length), else through the link's own path text (which stops at MAX_PATH). Empty when the link
// cannot be loaded or has no file-system target.
std::wstring ReadShortcutTarget(const std::wstring& linkPath);

// Replaces `path` (a shell link file) by the link's target (see ReadShortcutTarget). False and `path`
// unchanged when it cannot be resolved.
bool ResolveShortcut(std::wstring& path);

// Writes a shell link at `linkPath` that starts `target` with no arguments, icon 0 of `target` and the
// normal show state. Overwrites an existing file. False on any failure (nothing is reported).
bool CreateShortcutFile(const std::wstring& linkPath, const std::wstring& target);

}  // namespace qv
