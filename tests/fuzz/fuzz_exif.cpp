// Fuzz target of the Exif date reader: any bytes as a mapped file. Besides the sanitizers it checks the
// reader's contract: the cursor stays in the scan range, a failed read leaves the result alone, and a
// found date is 20 bytes that really are in the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/exif_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > UINT32_MAX) return 0;
  qv::ExifReaderState state;
  qv::SetExifScanRange(state, data, static_cast<uint32_t>(size));
  qv::ExifDateTime date;
  const bool found = qv::ReadExifDate(state, date);

  if (state.cursor < state.begin || state.cursor > state.end) std::abort();
  if (!found) {
    for (char c : date.text)
      if (c != 0) std::abort();
    return 0;
  }
  bool inInput = false;
  for (size_t at = 0; !inInput && size >= sizeof date.text && at <= size - sizeof date.text; ++at)
    inInput = std::memcmp(data + at, date.text, sizeof date.text) == 0;
  if (!inInput) std::abort();
  return 0;
}
