// The one ProcessRecord.
#include "ui/process.h"

namespace qv {

ProcessRecord& Process() {
  static ProcessRecord record;
  return record;
}

}  // namespace qv
