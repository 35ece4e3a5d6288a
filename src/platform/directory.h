// Folder contents, copies and removal of files for the batch run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

constexpr uint32_t kAttributeHidden = 0x2;
constexpr uint32_t kAttributeDirectory = 0x10;

// Local wall-clock time of a file's last write.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct DirectoryEntry {
  std::wstring name;        // as found on disk
  uint32_t attributes = 0;  // kAttributeHidden, kAttributeDirectory, ...; on POSIX a leading "." is hidden
  uint64_t size = 0;
  LocalTime lastWrite;
};

// Entries of `folder` whose names match "*" + `extension` (e.g. L".jpg"), letter case ignored. On Windows
// this is the system's wildcard search (which also matches alternate short names); elsewhere the name
// must end in `extension`. Folders are included. An unreadable folder gives no entries.
std::vector<DirectoryEntry> FindEntries(const std::wstring& folder, const std::wstring& extension);

enum class CopyResult { kCopied, kTargetExists, kFailed };

// Copies `source` to `target` only when nothing exists at `target`. A copy that fails midway removes
// what it wrote; an existing target is never touched.
CopyResult CopyFileNoReplace(const std::wstring& source, const std::wstring& target);

// Moves `path` to the recycle bin (POSIX: the freedesktop.org trash) or deletes it for good. The
// result says whether the file is gone from its place.
bool RecycleFile(const std::wstring& path);

// True when the two names are equal under the system's case-insensitive comparison.
bool NamesEqualIgnoringCase(const std::wstring& a, const std::wstring& b);

// True when the character counts as a digit for the platform's wide-character classification.
bool IsWideDigit(wchar_t c);

}  // namespace qv
