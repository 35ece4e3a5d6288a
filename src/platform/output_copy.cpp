// What both platforms' CopyFileNoReplace share: the private names of copies under way, which a hard
// stop removes, and the test seams. Only the removal touches the file system.
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/directory.h"
#include "platform/files.h"
#include "platform/system_folders.h"

namespace qv {

namespace {

std::atomic<int> gCopiesToFail{0};
std::atomic<void (*)()> gCopyPause{nullptr};

// Copies under way: a few at most (the run places one output at a time). Slots are reused.
struct PartialOutputs {
  std::mutex mutex;
  std::vector<std::wstring> paths;  // empty: a free slot
};

PartialOutputs& Partials() {
  static PartialOutputs* partials = new PartialOutputs;  // never destroyed: a hard stop may come at exit
  return *partials;
}

}  // namespace

std::wstring NewPrivateCopyName(const std::wstring& target) {
  static std::atomic<unsigned> serial{0};
  return JoinPath(ParentPath(target), L".quorvix-" + std::to_wstring(CurrentProcessId()) + L"-" +
                                          std::to_wstring(++serial) + L".part");
}

int BeginPartialOutput(const std::wstring& path) {
  PartialOutputs& partials = Partials();
  std::lock_guard<std::mutex> lock(partials.mutex);
  for (size_t i = 0; i < partials.paths.size(); ++i) {
    if (partials.paths[i].empty()) {
      partials.paths[i] = path;
      return static_cast<int>(i);
    }
  }
  partials.paths.push_back(path);
  return static_cast<int>(partials.paths.size() - 1);
}

void EndPartialOutput(int registration) {
  PartialOutputs& partials = Partials();
  std::lock_guard<std::mutex> lock(partials.mutex);
  if (registration >= 0 && static_cast<size_t>(registration) < partials.paths.size())
    partials.paths[static_cast<size_t>(registration)].clear();
}

int RemoveAbandonedPrivateCopies(const std::wstring& folder) {
  const std::wstring prefix = L".quorvix-";
  int removed = 0;
  for (const DirectoryEntry& entry : FindEntries(folder, L".part")) {
    const std::wstring& name = entry.name;
    if ((entry.attributes & kAttributeDirectory) != 0 || name.compare(0, prefix.size(), prefix) != 0) continue;
    // ".quorvix-" PID "-" N ".part", digits only.
    const size_t dash = name.find(L'-', prefix.size());
    if (dash == std::wstring::npos || dash == prefix.size() || dash - prefix.size() > 9) continue;
    unsigned long pid = 0;
    bool digits = true;
    for (size_t i = prefix.size(); i < dash; ++i) {
      digits = digits && name[i] >= L'0' && name[i] <= L'9';
      pid = pid * 10 + static_cast<unsigned long>(name[i] - L'0');
    }
    if (!digits || pid == CurrentProcessId() || IsProcessRunning(pid)) continue;
    if (DeleteFileAt(JoinPath(folder, name))) ++removed;
  }
  return removed;
}

void RemovePartialOutputs() {
  PartialOutputs& partials = Partials();
  std::lock_guard<std::mutex> lock(partials.mutex);
  for (std::wstring& path : partials.paths) {
    if (!path.empty()) DeleteFileAt(path);
    path.clear();
  }
}

void SetCopyPauseForTesting(void (*pause)()) { gCopyPause.store(pause); }

void PauseCopyForTesting() {
  if (void (*pause)() = gCopyPause.load()) pause();
}

void FailNextCopiesForTesting(int count) { gCopiesToFail.store(count > 0 ? count : 0); }

bool TakeInjectedCopyFailure() {
  int pending = gCopiesToFail.load();
  while (pending > 0)
    if (gCopiesToFail.compare_exchange_weak(pending, pending - 1)) return true;
  return false;
}

}  // namespace qv
