// What the fuzz targets that decode whole images share: a header-only look that keeps inputs whose
// source or output area would take too long for quick fuzzing away from the decoder.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace qv::fuzz {

constexpr uint64_t kMaxSourcePixels = uint64_t{4} << 20;  // decoded at all
constexpr uint64_t kMaxOutputPixels = uint64_t{1} << 20;  // decoded at all

struct HeaderErrorTrap {
  jpeg_error_mgr pub;
  std::jmp_buf returnPoint;
};

inline void QuietErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<HeaderErrorTrap*>(cinfo->err)->returnPoint, 1);
}
inline void QuietMessage(j_common_ptr) {}

// Reads only the header, as the decoder will, and tells whether the image is small enough to decode.
inline bool SmallEnoughToDecode(const unsigned char* data, size_t size, int scaleNum) {
  jpeg_decompress_struct cinfo;
  HeaderErrorTrap trap;
  cinfo.err = jpeg_std_error(&trap.pub);
  trap.pub.error_exit = QuietErrorExit;
  trap.pub.output_message = QuietMessage;
  if (setjmp(trap.returnPoint) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return true;  // the decoder meets the same error and fails before allocating the image
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.scale_num = static_cast<unsigned int>(scaleNum);
  cinfo.scale_denom = 8;
  jpeg_calc_output_dimensions(&cinfo);
  const bool small = uint64_t{cinfo.image_width} * cinfo.image_height <= kMaxSourcePixels &&
                     uint64_t{cinfo.output_width} * cinfo.output_height <= kMaxOutputPixels;
  jpeg_destroy_decompress(&cinfo);
  return small;
}

}  // namespace qv::fuzz
