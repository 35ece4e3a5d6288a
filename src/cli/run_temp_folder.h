// The command line's own folder for temporary files, one per run, in the system's temporary folder. It
// holds an owner lock for as long as its run lives, so that a later run can tell the folder of a run
// that was killed (SIGKILL, a power cut) from one still going on, and remove it.
#pragma once

#include <string>

namespace qv::cli {

// Prefix of the folders' names in the system's temporary folder.
constexpr wchar_t kRunTempPrefix[] = L"quorvix-";

// Makes a new folder for this run in `base` (the system's temporary folder, with a trailing separator)
// and takes its owner lock. Returns it with a trailing separator, or empty when none could be made (the
// system's temporary folder is used then).
std::wstring MakeRunTempFolder(const std::wstring& base);

// Empties and removes `folder` (this run's), releasing its lock first. Workers may still be writing
// into it (Windows refuses to delete a file open for writing): emptied again until it can be removed,
// after which no new file can appear in it; given up after two seconds. Safe from a hard stop's thread.
void RemoveRunTempFolder(const std::wstring& folder);

// Removes the folders of `base` that runs left behind when they were killed: those whose owner lock no
// living process holds. Folders of runs still going on, and anything else, are left alone. Returns how
// many were removed.
int RemoveAbandonedRunTempFolders(const std::wstring& base);

}  // namespace qv::cli
