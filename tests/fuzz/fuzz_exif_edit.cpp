// Fuzz target of the Exif editor: any bytes as an APP1 payload. Besides the sanitizers it checks the
// editor's contract: the orientation is 1..8, a refusal leaves nothing behind, an accepted payload never
// grows, starts with the signature, and is a fixed point (editing the output again with the same facts
// succeeds and changes nothing).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/exif_editor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int orientation = qv::ReadExifOrientation(data, size);
  if (orientation < 1 || orientation > 8) std::abort();

  // Output sizes from the input, sometimes too large for a SHORT, sometimes 0 (left alone).
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  qv::ExifOutputFacts facts;
  facts.resetOrientation = orientation != 1 || (hash & 1) != 0;
  facts.width = (hash >> 1) % 70001;
  facts.height = (hash >> 18) % 70001;

  std::vector<unsigned char> out;
  qv::ExifDropReason reason = qv::ExifDropReason::kNone;
  if (!qv::MakeOutputExif(data, size, facts, out, reason)) {
    if (!out.empty() || reason == qv::ExifDropReason::kNone) std::abort();
    return 0;
  }
  if (reason != qv::ExifDropReason::kNone || out.size() > size || out.size() > qv::kMaxApp1Payload) std::abort();
  if (std::memcmp(out.data(), "Exif\0\0", 6) != 0) std::abort();
  if (facts.resetOrientation && qv::ReadExifOrientation(out.data(), out.size()) != 1) std::abort();

  std::vector<unsigned char> again;
  if (!qv::MakeOutputExif(out.data(), out.size(), facts, again, reason) || again != out) std::abort();
  return 0;
}
