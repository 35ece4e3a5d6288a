// Run folders for temporary files: made with an owner lock, removed at the end of the run or by a hard
// stop, and found again by a later run when their run was killed.
#include "cli/run_temp_folder.h"

#include <chrono>
#include <thread>

#include "platform/directory.h"
#include "platform/files.h"
#include "platform/system_folders.h"

namespace qv::cli {

namespace {

constexpr wchar_t kOwnerLockName[] = L".owner";

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// Deletes the files of `folder` and then the folder, up to `attempts` times, 20 ms apart, while something
// is still being written into it.
void EmptyAndRemove(const std::wstring& folder, int attempts) {
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (const DirectoryEntry& entry : FindEntries(folder, L""))
      if ((entry.attributes & kAttributeDirectory) == 0) DeleteFileAt(JoinPath(folder, entry.name));
    if (RemoveEmptyFolder(folder)) return;
  }
}

}  // namespace

std::wstring MakeRunTempFolder(const std::wstring& base) {
  const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::wstring folder =
        base + kRunTempPrefix + std::to_wstring(CurrentProcessId()) + L"-" +
        std::to_wstring((stamp + attempt * 7919) % 100000000);
    if (!CreateFolder(folder)) continue;
    if (HoldOwnerLock(JoinPath(folder, kOwnerLockName))) return folder + kPathSeparator;
    RemoveEmptyFolder(folder);
    return std::wstring();
  }
  return std::wstring();
}

void RemoveRunTempFolder(const std::wstring& folder) {
  if (folder.empty()) return;
  ReleaseOwnerLocks();
  EmptyAndRemove(folder, 100);
}

int RemoveAbandonedRunTempFolders(const std::wstring& base) {
  int removed = 0;
  for (const DirectoryEntry& entry : FindEntries(base, L"")) {
    if ((entry.attributes & kAttributeDirectory) == 0 || !StartsWith(entry.name, kRunTempPrefix)) continue;
    const std::wstring folder = JoinPath(base, entry.name);
    if (!IsOwnerLockAbandoned(JoinPath(folder, kOwnerLockName))) continue;
    EmptyAndRemove(folder, 1);  // nothing writes into it any more; what cannot go now stays
    if (!PathExists(folder)) ++removed;
  }
  return removed;
}

}  // namespace qv::cli
