// Folder contents, copies and removal of files for the batch run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

constexpr uint32_t kAttributeHidden = 0x2;
constexpr uint32_t kAttributeDirectory = 0x10;
// An entry that occupies its name but is neither a regular file nor a folder: on POSIX a FIFO, socket,
// device or dangling symbolic link. Never an input. (The value of the Windows attribute for devices,
// which a Windows search does not report for files.)
constexpr uint32_t kAttributeNotRegular = 0x40;
// Windows: the entry is a reparse point (a junction, a symbolic link, a mount point). Never set on POSIX,
// where a symbolic link is described by its target.
constexpr uint32_t kAttributeReparsePoint = 0x400;

// Local wall-clock time of a file's last write.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct DirectoryEntry {
  std::wstring name;        // as found on disk
  uint32_t attributes = 0;  // kAttributeHidden, kAttributeDirectory, ...; on POSIX a leading "." is hidden
                            // and a symbolic link is described by its target
  uint64_t size = 0;
  LocalTime lastWrite;
};

// Entries of `folder` whose names match "*" + `extension` (e.g. L".jpg"), letter case ignored. On Windows
// this is the system's wildcard search (which also matches alternate short names); elsewhere the name
// must end in `extension`. Folders and kAttributeNotRegular entries are included. An unreadable folder
// gives no entries.
std::vector<DirectoryEntry> FindEntries(const std::wstring& folder, const std::wstring& extension);

// True when the name of `path` is taken in its folder: something exists at `path` itself (a symbolic
// link counts, dangling or not), or another entry of the folder has the same name when letter case is
// ignored. Windows compares without case on its own; POSIX looks through the folder. Outputs are only
// written to names that are not taken, so no two names in a folder differ in letter case alone.
bool IsNameTaken(const std::wstring& path);

enum class CopyResult { kCopied, kTargetExists, kFailed };

// kOnDisk: the copy (and on POSIX its folder entry) is flushed to the disk before kCopied is reported,
// so that the caller may remove the original afterwards; a crash then cannot lose both. kCached leaves
// writing back to the system, as ordinary copies do: flushing every output costs a disk round trip per
// file, which on slow media is as much as the conversion itself.
enum class CopyDurability { kCached, kOnDisk };

// Copies `source` to `target` only when nothing exists at `target`, so that the output appears complete
// or not at all: the copy is written under a private name in the target's folder (PrivateCopyName), closed
// (and flushed first for kOnDisk), and then given its final name in one step that never replaces a file.
// Any entry at `target`, a symbolic link included, gives kTargetExists and is never touched. A copy that
// fails removes its private file again; none is left behind.
CopyResult CopyFileNoReplace(const std::wstring& source, const std::wstring& target, CopyDurability durability);

// For a hard stop (a second Ctrl-C), from any thread: removes the private files of copies under way, so
// that an output never appears half written. The copies then fail.
void RemovePartialOutputs();

// Removes from `folder` the private files of copies whose process has ended without finishing them (it
// was killed, or the power went): ".quorvix-PID-N.part" with a PID that no living process has. Returns
// how many were removed.
int RemoveAbandonedPrivateCopies(const std::wstring& folder);

// For the implementations of CopyFileNoReplace: a private name for a copy to `target`, in the same
// folder, starting with ".quorvix-" and unique in this process.
std::wstring NewPrivateCopyName(const std::wstring& target);
// A file this call is writing, registered from before it is created until EndPartialOutput, so that
// RemovePartialOutputs finds it. Returns the registration.
int BeginPartialOutput(const std::wstring& path);
void EndPartialOutput(int registration);

// For tests only: called in CopyFileNoReplace once the private file is written and closed, before it
// gets its final name (null: none). Process-wide.
void SetCopyPauseForTesting(void (*pause)());
void PauseCopyForTesting();

// For tests only: the next `count` calls of CopyFileNoReplace fail after writing the whole target (which
// they then remove, as for any failure). 0 turns this off. Process-wide.
void FailNextCopiesForTesting(int count);
// For the implementations of CopyFileNoReplace: true (and one fewer pending) when a failure was asked for.
bool TakeInjectedCopyFailure();

// Moves `path` to the recycle bin (POSIX: the freedesktop.org trash). Where there is none, Windows asks
// the user whether to delete the file for good and POSIX keeps it. The result says whether the file is
// gone from its place: false when it is still there.
bool RecycleFile(const std::wstring& path);

// True when the two names are equal under the system's case-insensitive comparison.
bool NamesEqualIgnoringCase(const std::wstring& a, const std::wstring& b);

// True when the character counts as a digit for the platform's wide-character classification.
bool IsWideDigit(wchar_t c);

}  // namespace qv
