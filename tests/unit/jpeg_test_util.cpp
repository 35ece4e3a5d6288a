#include "jpeg_test_util.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "platform/files.h"

namespace qv::test {

JpegInfo ParseJpeg(const std::vector<unsigned char>& b) {
  JpegInfo info;
  if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return info;
  size_t pos = 2;
  bool inScan = false;
  while (pos + 1 < b.size()) {
    if (inScan) {
      // Find the next marker that is not a stuffed zero or a restart marker.
      if (b[pos] == 0xFF && b[pos + 1] != 0 && !(b[pos + 1] >= 0xD0 && b[pos + 1] <= 0xD7) && b[pos + 1] != 0xFF) {
        inScan = false;
        continue;
      }
      ++pos;
      continue;
    }
    if (b[pos] != 0xFF) return info;
    uint8_t marker = b[pos + 1];
    if (marker == 0xD9) {
      info.valid = true;
      return info;
    }
    if (pos + 3 >= b.size()) return info;
    size_t len = (static_cast<size_t>(b[pos + 2]) << 8) | b[pos + 3];
    if (pos + 2 + len > b.size()) return info;
    if (info.scanCount == 0) info.segments.push_back({marker, pos, len});
    const unsigned char* p = &b[pos + 4];
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      info.sofMarker = marker;
      info.precision = p[0];
      info.height = (p[1] << 8) | p[2];
      info.width = (p[3] << 8) | p[4];
      for (int i = 0; i < p[5]; ++i)
        info.components.push_back({p[6 + 3 * i], p[7 + 3 * i] >> 4, p[7 + 3 * i] & 15, p[8 + 3 * i]});
    } else if (marker == 0xE0 && len >= 16 &&
               std::string(reinterpret_cast<const char*>(p), 5) == std::string("JFIF\0", 5)) {
      info.hasJfif = true;
      info.densityUnit = p[7];
      info.xDensity = (p[8] << 8) | p[9];
      info.yDensity = (p[10] << 8) | p[11];
    } else if (marker == 0xFE) {
      info.comments.emplace_back(reinterpret_cast<const char*>(p), len - 2);
    } else if (marker == 0xDA) {
      ++info.scanCount;
      inScan = true;
    }
    pos += 2 + len;
  }
  return info;
}

std::vector<unsigned char> WithoutJfifAndComments(const std::vector<unsigned char>& b) {
  size_t pos = 2;
  while (pos + 3 < b.size() && b[pos] == 0xFF && (b[pos + 1] == 0xE0 || b[pos + 1] == 0xFE))
    pos += 2 + ((static_cast<size_t>(b[pos + 2]) << 8) | b[pos + 3]);
  if (pos > b.size()) return {};
  return std::vector<unsigned char>(b.begin() + static_cast<std::ptrdiff_t>(pos), b.end());
}

namespace {
struct TrapError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};
void ErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<TrapError*>(cinfo->err)->jump, 1); }
struct MemDest {
  jpeg_destination_mgr pub;
  std::vector<unsigned char>* out;
  unsigned char buf[4096];
};
void MemInit(j_compress_ptr c) {
  auto* d = reinterpret_cast<MemDest*>(c->dest);
  d->pub.next_output_byte = d->buf;
  d->pub.free_in_buffer = sizeof(d->buf);
}
boolean MemEmpty(j_compress_ptr c) {
  auto* d = reinterpret_cast<MemDest*>(c->dest);
  d->out->insert(d->out->end(), d->buf, d->buf + sizeof(d->buf));
  MemInit(c);
  return TRUE;
}
void MemTerm(j_compress_ptr c) {
  auto* d = reinterpret_cast<MemDest*>(c->dest);
  d->out->insert(d->out->end(), d->buf, d->buf + (sizeof(d->buf) - d->pub.free_in_buffer));
}
}  // namespace

bool WriteTestJpeg(const std::wstring& path, int width, int height, int components,
                   const std::function<uint8_t(int, int, int)>& pixel, int quality, bool progressive, int densityUnit,
                   int xDensity, int yDensity) {
  std::vector<unsigned char> out;
  std::vector<unsigned char> row(static_cast<size_t>(width) * components);
  jpeg_compress_struct cinfo;
  TrapError err;
  MemDest dest;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = ErrorExit;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  dest.pub.init_destination = MemInit;
  dest.pub.empty_output_buffer = MemEmpty;
  dest.pub.term_destination = MemTerm;
  dest.out = &out;
  cinfo.dest = &dest.pub;
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1   ? JCS_GRAYSCALE
                         : components == 3 ? JCS_RGB
                         : components == 4 ? JCS_CMYK
                                           : JCS_UNKNOWN;
  jpeg_set_defaults(&cinfo);
  if (components == 2) jpeg_set_colorspace(&cinfo, JCS_UNKNOWN);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  cinfo.write_JFIF_header = components == 1 || components == 3 ? TRUE : FALSE;
  cinfo.density_unit = static_cast<UINT8>(densityUnit);
  cinfo.X_density = static_cast<UINT16>(xDensity);
  cinfo.Y_density = static_cast<UINT16>(yDensity);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c) row[static_cast<size_t>(x) * components + c] = pixel(x, y, c);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  OutputFile f = CreateOutputFile(path);
  return f.Write(out.data(), out.size());
}

}  // namespace qv::test
