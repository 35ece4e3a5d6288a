// The test seam of CopyFileNoReplace: a count of copies that are to fail, shared by both platforms'
// implementations. Nothing here touches the file system.
#include <atomic>

#include "platform/directory.h"

namespace qv {

namespace {
std::atomic<int> gCopiesToFail{0};
}  // namespace

void FailNextCopiesForTesting(int count) { gCopiesToFail.store(count > 0 ? count : 0); }

bool TakeInjectedCopyFailure() {
  int pending = gCopiesToFail.load();
  while (pending > 0)
    if (gCopiesToFail.compare_exchange_weak(pending, pending - 1)) return true;
  return false;
}

}  // namespace qv
