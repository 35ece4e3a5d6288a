// jpegli's compression calls, kept apart from libjpeg's: jpegli exports only jpegli_* names, so both
// libraries link into one program, and this is the only file that sees jpegli's declarations.
#include "engine/compress_library.h"

#include "lib/jpegli/encode.h"

namespace qv {
namespace {

// Quality q on libjpeg's scale becomes the distance jpegli's own mapping gives it. Set as a distance,
// each colour component gets a table of its own (as a quality, the two chroma components share one), and
// adaptive quantisation is left off: on the photos of `make bench` at 1/4 and 1/2 both give more
// SSIMULACRA2 per byte, and the encoder needs no per-block strength map (less memory, less time).
void SetQualityAsDistance(j_compress_ptr cinfo, int quality, boolean forceBaseline) {
  jpegli_set_distance(cinfo, jpegli_quality_to_distance(quality), forceBaseline);
  jpegli_enable_adaptive_quantization(cinfo, FALSE);
}

}  // namespace

const CompressLibrary& JpegliLibrary() {
  static const CompressLibrary library{
      jpegli_CreateCompress,    jpegli_set_defaults,   jpegli_set_colorspace,  SetQualityAsDistance,
      jpegli_simple_progression, jpegli_start_compress, jpegli_write_marker,    jpegli_write_icc_profile,
      jpegli_write_scanlines,   jpegli_finish_compress, jpegli_destroy_compress,
  };
  return library;
}

}  // namespace qv
