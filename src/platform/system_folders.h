// Folders and paths that the system knows: the program file, per-user settings folders, pictures.
#pragma once

#include <cstddef>
#include <string>

namespace qv {

// Full path of the running program file, or empty.
std::wstring ProgramFilePath();

// Windows: the roaming application-data folder. POSIX: $XDG_CONFIG_HOME, or ~/.config. Empty when unknown.
std::wstring UserSettingsRoot();

// The user's pictures folder (Windows known folder; POSIX $XDG_PICTURES_DIR from user-dirs.dirs, or
// ~/Pictures). Empty when unknown.
std::wstring PicturesFolder();

// True when `path` names an existing folder.
bool IsExistingFolder(const std::wstring& path);

// Creates one folder; true when it was created.
bool CreateFolder(const std::wstring& path);

// Removes an empty folder; true when it was removed.
bool RemoveEmptyFolder(const std::wstring& path);

// `path` made absolute against the current folder (unchanged when it already is).
std::wstring AbsolutePath(const std::wstring& path);

// The longest path the system's file calls take, in characters (Windows' extended-length limit; POSIX
// systems take about as much). Paths are never cut: one the system cannot take fails where it is used.
constexpr size_t kMaxLongPathChars = 32767;

// Windows' MAX_PATH less the terminating zero: the bound of texts that are names or name parts rather
// than paths (the file-name fields of the output settings), and of the few system interfaces that take
// no more.
constexpr size_t kMaxPathChars = 259;

// The platform's path separator.
#ifdef _WIN32
constexpr wchar_t kPathSeparator = L'\\';
#else
constexpr wchar_t kPathSeparator = L'/';
#endif

// `folder` and `name` joined with exactly one separator.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// The last component of `path` (after the last separator; on Windows '/' counts too).
std::wstring LastPathComponent(const std::wstring& path);

// `path` without separators at its end (a root keeps its own).
std::wstring StripTrailingSeparator(const std::wstring& path);

// `path` without its last component and the separator before it.
std::wstring ParentPath(const std::wstring& path);

}  // namespace qv
