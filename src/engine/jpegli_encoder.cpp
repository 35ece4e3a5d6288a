// jpegli's compression calls, kept apart from libjpeg's: jpegli exports only jpegli_* names, so both
// libraries link into one program, and this is the only file that sees jpegli's declarations.
#include "engine/compress_library.h"

#include "lib/jpegli/encode.h"

namespace qv {

const CompressLibrary& JpegliLibrary() {
  static const CompressLibrary library{
      jpegli_CreateCompress,    jpegli_set_defaults,   jpegli_set_colorspace,  jpegli_set_quality,
      jpegli_simple_progression, jpegli_start_compress, jpegli_write_marker,    jpegli_write_icc_profile,
      jpegli_write_scanlines,   jpegli_finish_compress, jpegli_destroy_compress,
  };
  return library;
}

}  // namespace qv
