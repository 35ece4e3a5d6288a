// Scores a distorted picture against its original with SSIMULACRA2 (the metric of the jpeg-xl tarball's
// tools/ssimulacra2.cc), both given as binary PPM (P6, 8-bit sRGB) files, as `djpeg` writes them.
// Prints the score on one line. A small front end of our own, so that only the metric's part of the
// JPEG XL library has to be built (no image codecs).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "lib/jxl/color_encoding_internal.h"
#include "lib/jxl/image_bundle.h"
#include "lib/jxl/image_metadata.h"
#include "tools/no_memory_manager.h"
#include "tools/ssimulacra2.h"

namespace {

struct Ppm {
  size_t width = 0, height = 0;
  std::vector<unsigned char> samples;
};

// Skips blanks and "#" comments (to the end of their line) between the header's fields, as the format
// allows; ImageMagick writes the picture's comment there.
std::istream& SkipToField(std::istream& in) {
  while (in >> std::ws && in.peek() == '#') in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  return in;
}

bool ReadPpm(const char* path, Ppm& ppm) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  if (!(SkipToField(in) >> magic) || !(SkipToField(in) >> ppm.width) || !(SkipToField(in) >> ppm.height) ||
      !(SkipToField(in) >> maxValue) || magic != "P6" || maxValue != 255)
    return false;
  in.get();  // the one blank after the header
  ppm.samples.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return ppm.samples.size() >= ppm.width * ppm.height * 3;
}

bool ToBundle(const Ppm& ppm, jxl::ImageBundle& bundle) {
  auto image = jxl::Image3F::Create(jpegxl::tools::NoMemoryManager(), ppm.width, ppm.height);
  if (!image.ok()) return false;
  jxl::Image3F color = std::move(image).value_();
  for (size_t y = 0; y < ppm.height; ++y)
    for (size_t c = 0; c < 3; ++c) {
      float* row = color.PlaneRow(c, y);
      for (size_t x = 0; x < ppm.width; ++x) row[x] = ppm.samples[(y * ppm.width + x) * 3 + c] * (1.0f / 255);
    }
  return static_cast<bool>(bundle.SetFromImage(std::move(color), jxl::ColorEncoding::SRGB(false)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s ORIGINAL.ppm DISTORTED.ppm\n", argv[0]);
    return 2;
  }
  Ppm original, distorted;
  if (!ReadPpm(argv[1], original) || !ReadPpm(argv[2], distorted)) {
    std::fprintf(stderr, "ssimulacra2: cannot read the binary PPM files\n");
    return 1;
  }
  if (original.width != distorted.width || original.height != distorted.height || original.width < 8 ||
      original.height < 8) {
    std::fprintf(stderr, "ssimulacra2: the pictures differ in size or are smaller than 8 x 8\n");
    return 1;
  }
  jxl::ImageMetadata metadata;
  metadata.SetUintSamples(8);
  jxl::ImageBundle a(jpegxl::tools::NoMemoryManager(), &metadata), b(jpegxl::tools::NoMemoryManager(), &metadata);
  if (!ToBundle(original, a) || !ToBundle(distorted, b)) return 1;
  auto score = ComputeSSIMULACRA2(a, b);
  if (!score.ok()) return 1;
  std::printf("%.8f\n", std::move(score).value_().Score());
  return 0;
}
