// The settings file "Quorvix.ini": where it is, reading it at start-up, rewriting it as a whole at exit.
// Sections CvtPrms (ConversionParams), MWin (AppOptions, window position, folder histories), FolderList
// (registered folders) and PhotoOpt (the ConversionParams fields AutoRotate, KeepExif, KeepIcc, KeepTime,
// MaxEdgeOn, MaxEdge, FitOn, FitWidth, FitHeight and Encoder). The file is UTF-16LE with a byte-order mark
// on every platform, so a file written by one platform reads identically on the other.
#pragma once

#include <string>

#include "engine/params.h"
#include "settings/app_options.h"

namespace qv {

// How the location is chosen.
enum class SettingsOwner {
  kWindowsProgram,  // the program file must be named Quorvix.exe (case ignored)
  kCommandLine,     // any program name
};

// Finds the settings file for the program file `exePath`: "Quorvix.ini" beside the program when it
// exists; otherwise Windows: <roaming application data>\Quorvix\Quorvix.ini (folder created),
// POSIX: $XDG_CONFIG_HOME/Quorvix/Quorvix.ini (default ~/.config; folder created); otherwise the path
// beside the program. False (and no path) when `owner` is kWindowsProgram and the program file has
// another name.
bool LocateSettingsFile(const std::wstring& exePath, SettingsOwner owner, std::wstring& settingsPath);

// The same rules with the per-user settings folder given (`userRoot`, the roaming application data on
// Windows, the XDG configuration folder on POSIX; empty when unknown). A missing `userRoot` is created
// too, then its sub-folder "Quorvix"; failures to create either are not reported.
bool LocateSettingsFileUnder(const std::wstring& exePath, SettingsOwner owner, const std::wstring& userRoot,
                             std::wstring& settingsPath);

// Reads CvtPrms and PhotoOpt into `params` (defaults for missing keys, so a file without PhotoOpt turns
// all of its options off; lowest bit of flags, CmtStr1 decoded).
// Numbers read the way GetPrivateProfileIntW reads them: an optional sign and the decimal digits that
// follow, the rest ignored ("12abc" is 12, "abc" is 0), wrapping around beyond 32 bits; a key present
// with an empty value gives the default. Texts: only a missing key gives the default ("MkDirStr=" is an
// empty sub-folder name); the name parts at most 259 characters (CmtStr1 10000 before decoding).
void LoadConversionParams(const std::wstring& settingsPath, ConversionParams& params);

// Reads MWin and FolderList. A missing file gives the defaults and the user's pictures folder as the
// only registered folder (when that folder exists: the list holds existing folders only). The window
// position counts as stored only when WinX and WinY both hold a value. Paths are read whole, however long.
void LoadAppOptions(const std::wstring& settingsPath, StoredAppState& state);

// Rewrites the file: removes CvtPrms, MWin, FolderList and PhotoOpt, then writes them in this order
// (other sections are kept before them). PhotoOpt comes last, so the three older sections are written
// exactly as before it existed. The new file is built completely beside the old one and then
// replaces it in one rename, so a crash or a full disk never leaves a half-written settings file.
// Registered folders that no longer exist are dropped. WinX/WinY are written only when
// `state.hasWindowPosition`. A text that would lose surrounding blanks or enclosing quotes on reading
// is written in double quotes, which the reader removes. False when the file could not be replaced
// (missing folder, read-only file, full disk); the old file is then unchanged.
bool SaveSettings(const std::wstring& settingsPath, const ConversionParams& params,
                  const StoredAppState& state);

// CmtStr1 encoding: CR -> U+0002, LF -> U+0003, and a "0" appended; decoding undoes it (and drops U+001B).
std::wstring EncodeComment(const std::wstring& comment);
std::wstring DecodeComment(const std::wstring& stored);

}  // namespace qv
