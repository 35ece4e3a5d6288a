// Paths as the system's file calls take them, whatever the length: a path that reaches MAX_PATH is handed
// over in its extended form ("\\?\C:\…", "\\?\UNC\server\share\…"), which works whether or not the
// system has long paths enabled. Only the Win32 platform layer uses this; the layers above and the user
// always see the ordinary form.
#pragma once

#include <windows.h>

#include <string>

namespace qv {

// The longest path (in characters) the calls take in the ordinary form: CreateDirectoryW wants room for
// an 8.3 name below MAX_PATH, and every other call takes at least as much.
constexpr size_t kPlainPathLimit = MAX_PATH - 12;

// `path` for a file call: unchanged when shorter than kPlainPathLimit, empty, or in an extended or
// device form already; otherwise made full (GetFullPathNameW: '/' becomes '\', "." and ".." go, a
// relative path is taken against the current folder) and given the extended prefix, which asks the
// system to take the text as it is.
std::wstring SystemPath(const std::wstring& path);

// `path` without an extended prefix ("\\?\UNC\" becomes "\\"): the form shown to the user.
std::wstring PlainPath(const std::wstring& path);

// The full form of `path` (GetFullPathNameW with a buffer as long as it needs); `path` itself when the
// system cannot make it full.
std::wstring FullPath(const std::wstring& path);

// Creates a new, empty file "<prefix>XXXX.tmp" (XXXX four hexadecimal digits, as GetTempFileNameW
// names them) in `folder`, of any length, and returns its ordinary path in `out`. False when the folder
// cannot take one.
bool CreateUniqueFileIn(const std::wstring& folder, const wchar_t* prefix, std::wstring& out);

}  // namespace qv
