// Private to the encoder: the library calls of one compression as a table, so that one routine drives
// either libjpeg (the default, byte-identical to `cjpeg -optimize`) or jpegli (opt-in: smaller files at
// the same look). Both take the same jpeg_compress_struct, destination and error manager.
#pragma once

#include "engine/jpeg_library.h"

namespace qv {

struct CompressLibrary {
  void (*create)(j_compress_ptr cinfo, int version, size_t structSize);
  void (*setDefaults)(j_compress_ptr cinfo);
  void (*setColorspace)(j_compress_ptr cinfo, J_COLOR_SPACE colorspace);
  void (*setQuality)(j_compress_ptr cinfo, int quality, boolean forceBaseline);
  void (*simpleProgression)(j_compress_ptr cinfo);
  void (*startCompress)(j_compress_ptr cinfo, boolean writeAllTables);
  void (*writeMarker)(j_compress_ptr cinfo, int marker, const JOCTET* data, unsigned int length);
  void (*writeIccProfile)(j_compress_ptr cinfo, const JOCTET* data, unsigned int length);
  JDIMENSION (*writeScanlines)(j_compress_ptr cinfo, JSAMPARRAY rows, JDIMENSION count);
  void (*finishCompress)(j_compress_ptr cinfo);
  void (*destroyCompress)(j_compress_ptr cinfo);
};

// jpegli's entry points (engine/jpegli_encoder.cpp, the only file that includes jpegli's headers).
// Its quality scale is libjpeg's: quality q becomes the distance jpegli maps q to (tables that look about
// like libjpeg's at q), one table per colour component, without adaptive quantisation.
const CompressLibrary& JpegliLibrary();

}  // namespace qv
