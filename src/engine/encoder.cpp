// JPEG encoding of bottom-up blue-green-red rows: straight into a file through a 1 MiB buffer, or into a
// growable memory buffer for the passes of the size-bounded quality search.
#include "engine/encoder.h"

#include <algorithm>
#include <cstring>

#include "engine/compress_library.h"
#include "engine/exif_editor.h"
#include "engine/jpeg_library.h"
#include "engine/params.h"

namespace qv {

namespace {

constexpr size_t kFileBufferBytes = 1048576;
constexpr int kRowsPerWrite = 16;
constexpr size_t kMaxIccBytes = size_t{255} * 65519;  // 255 chunks of the largest APP2 payload

struct FileDestination {
  jpeg_destination_mgr pub;
  OutputFile* file;  // the state's, open for the whole compression
  JOCTET* buffer;
};

void InitFileDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<FileDestination*>(cinfo->dest);
  dest->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kFileBufferBytes));
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kFileBufferBytes;
}

boolean EmptyFileBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<FileDestination*>(cinfo->dest);
  if (!dest->file->Write(dest->buffer, kFileBufferBytes))
    RaiseLibraryError(reinterpret_cast<j_common_ptr>(cinfo), JERR_FILE_WRITE);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kFileBufferBytes;
  return TRUE;
}

void TermFileDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<FileDestination*>(cinfo->dest);
  const size_t pending = kFileBufferBytes - dest->pub.free_in_buffer;
  if (pending > 0 && !dest->file->Write(dest->buffer, pending))
    RaiseLibraryError(reinterpret_cast<j_common_ptr>(cinfo), JERR_FILE_WRITE);
}

void InstallFileDestination(j_compress_ptr cinfo, OutputFile* file) {
  auto* dest = static_cast<FileDestination*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(FileDestination)));
  dest->pub.init_destination = InitFileDestination;
  dest->pub.empty_output_buffer = EmptyFileBuffer;
  dest->pub.term_destination = TermFileDestination;
  dest->file = file;
  dest->buffer = nullptr;
  cinfo->dest = &dest->pub;
}

// Destination over the caller's MemoryBuffer. When the output outgrows it (tiny images with long
// comments, or noise at high quality, can exceed the uncompressed size), the buffer is doubled.
struct MemoryDestination {
  jpeg_destination_mgr pub;
  MemoryBuffer* buffer;
};

void InitMemoryDestination(j_compress_ptr) {}
void TermMemoryDestination(j_compress_ptr) {}

boolean GrowMemoryBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  MemoryBuffer& buffer = *dest->buffer;
  const size_t used = buffer.capacity;  // the library calls this only when the buffer is full
  MemoryBuffer grown;
  if (!AllocateMemoryBuffer(grown, std::max<size_t>(used * 2, 65536)))
    RaiseLibraryError(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
  std::memcpy(grown.data, buffer.data, used);
  ReleaseMemoryBuffer(buffer);
  buffer = grown;
  dest->pub.next_output_byte = buffer.data + used;
  dest->pub.free_in_buffer = buffer.capacity - used;
  return TRUE;
}

void InstallMemoryDestination(j_compress_ptr cinfo, MemoryBuffer& buffer) {
  auto* dest = static_cast<MemoryDestination*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(MemoryDestination)));
  dest->pub.init_destination = InitMemoryDestination;
  dest->pub.empty_output_buffer = GrowMemoryBuffer;
  dest->pub.term_destination = TermMemoryDestination;
  dest->pub.next_output_byte = buffer.data;
  dest->pub.free_in_buffer = buffer.capacity;
  dest->buffer = &buffer;
  cinfo->dest = &dest->pub;
}

UINT16 DotsPerInch(int32_t pelsPerMeter) {
  const double dpi = pelsPerMeter * 0.0254 + 0.5;
  if (dpi >= 65535.0) return 65535;
  return static_cast<UINT16>(dpi);
}

const CompressLibrary& LibjpegLibrary() {
  static const CompressLibrary library{
      jpeg_CreateCompress,    jpeg_set_defaults,   jpeg_set_colorspace, jpeg_set_quality,
      jpeg_simple_progression, jpeg_start_compress, jpeg_write_marker,   jpeg_write_icc_profile,
      jpeg_write_scanlines,   jpeg_finish_compress, jpeg_destroy_compress,
  };
  return library;
}

// The density in the JFIF header, then Exif, the colour profile and the comment (the order in which
// readers look for them); the markers go right after start_compress.
void SetDensity(jpeg_compress_struct& cinfo, const EncoderState& state) {
  if (state.xPelsPerMeter != 0 && state.yPelsPerMeter != 0) {
    cinfo.density_unit = 1;
    cinfo.X_density = DotsPerInch(state.xPelsPerMeter);
    cinfo.Y_density = DotsPerInch(state.yPelsPerMeter);
  }
}

void WriteMarkers(const CompressLibrary& lib, jpeg_compress_struct& cinfo, const EncoderState& state) {
  if (state.exif != nullptr && state.exifBytes <= kMaxApp1Payload)
    lib.writeMarker(&cinfo, JPEG_APP0 + 1, state.exif, static_cast<unsigned int>(state.exifBytes));
  if (state.icc != nullptr && state.iccBytes > 0 && state.iccBytes <= kMaxIccBytes)
    lib.writeIccProfile(&cinfo, state.icc, static_cast<unsigned int>(state.iccBytes));
  if (state.comment != nullptr) {
    const size_t length = strnlen(state.comment, kMaxCommentBytes);
    lib.writeMarker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(state.comment),
                    static_cast<unsigned int>(length));
  }
}

// Runs one compression from 24-bit rows with `lib` into whichever destination `install` sets up, with
// the headers and markers when `withMarkers`. Returns false on any library error; the compression
// object is destroyed either way. `freeLeft` receives the destination's free room after the last byte.
template <typename Install>
bool CompressWith(const CompressLibrary& lib, const EncoderState& state, const unsigned char* pixels,
                  Install install, bool withMarkers, size_t& freeLeft) {
  jpeg_compress_struct cinfo;
  LibraryErrorTrap trap;
  cinfo.err = InstallLibraryErrorTrap(trap);
  if (setjmp(trap.returnPoint) != 0) {
    lib.destroyCompress(&cinfo);
    return false;
  }
  lib.create(&cinfo, JPEG_LIB_VERSION, sizeof(cinfo));
  install(&cinfo);

  cinfo.image_width = static_cast<JDIMENSION>(state.geometry.width);
  cinfo.image_height = static_cast<JDIMENSION>(state.geometry.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  lib.setDefaults(&cinfo);
  cinfo.optimize_coding = TRUE;
  if (state.greyscale == 1) {
    lib.setColorspace(&cinfo, JCS_GRAYSCALE);
  } else {
    cinfo.comp_info[0].h_samp_factor = state.hSampling;
    cinfo.comp_info[0].v_samp_factor = state.vSampling;
  }
  lib.setQuality(&cinfo, state.quality, TRUE);
  if (state.progressive == 1) lib.simpleProgression(&cinfo);
  // libjpeg's defaults write the JFIF header; jpegli's leave it out unless asked (the density lives there).
  cinfo.write_JFIF_header = withMarkers ? TRUE : FALSE;
  if (withMarkers) SetDensity(cinfo, state);
  lib.startCompress(&cinfo, TRUE);
  if (withMarkers) WriteMarkers(lib, cinfo, state);

  // The picture's top row is the block's last row.
  const size_t stride = static_cast<size_t>(state.geometry.targetRowStride);
  const JDIMENSION height = cinfo.image_height;
  JSAMPROW rows[kRowsPerWrite];
  while (cinfo.next_scanline < height) {
    const JDIMENSION first = cinfo.next_scanline;
    const JDIMENSION count = std::min<JDIMENSION>(kRowsPerWrite, height - first);
    for (JDIMENSION i = 0; i < count; ++i)
      rows[i] = const_cast<JSAMPROW>(pixels + (static_cast<size_t>(height) - 1 - (first + i)) * stride);
    lib.writeScanlines(&cinfo, rows, count);
  }
  lib.finishCompress(&cinfo);
  freeLeft = cinfo.dest->free_in_buffer;
  lib.destroyCompress(&cinfo);
  return true;
}

// Writes the coefficients of the JPEG in `bytes` again with libjpeg's two optimised Huffman tables of
// each kind, with the headers and markers, into the destination `install` sets up: the same pixels.
template <typename Install>
bool RewriteEntropyCoding(const EncoderState& state, const unsigned char* bytes, size_t count, Install install,
                          size_t& freeLeft) {
  jpeg_decompress_struct source;
  jpeg_compress_struct target;
  source.mem = nullptr;  // destroying an object never created does nothing
  target.mem = nullptr;
  LibraryErrorTrap trap;
  source.err = target.err = InstallLibraryErrorTrap(trap);
  if (setjmp(trap.returnPoint) != 0) {
    jpeg_destroy_compress(&target);
    jpeg_destroy_decompress(&source);
    return false;
  }
  jpeg_create_decompress(&source);
  jpeg_create_compress(&target);
  jpeg_mem_src(&source, bytes, static_cast<unsigned long>(count));
  jpeg_read_header(&source, TRUE);
  jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&source);
  install(&target);
  jpeg_copy_critical_parameters(&source, &target);
  target.optimize_coding = TRUE;
  SetDensity(target, state);
  jpeg_write_coefficients(&target, coefficients);
  WriteMarkers(LibjpegLibrary(), target, state);
  jpeg_finish_compress(&target);
  freeLeft = target.dest->free_in_buffer;
  jpeg_finish_decompress(&source);
  jpeg_destroy_compress(&target);
  jpeg_destroy_decompress(&source);
  return true;
}

// One output. jpegli clusters its Huffman statistics into up to four tables of a kind, and with more
// than two a sequential file is no longer baseline (jpegli then marks it SOF1, extended), which some
// decoders refuse. So a sequential jpegli output is made in memory first, without headers, and libjpeg
// writes its coefficients again with two tables of a kind: baseline, the same pixels, about 0.1 % more
// bytes. Progressive files may have four tables and are written by jpegli directly.
template <typename Install>
bool Compress(const EncoderState& state, const unsigned char* pixels, Install install, size_t& freeLeft) {
  if (state.jpegli != 1) return CompressWith(LibjpegLibrary(), state, pixels, install, true, freeLeft);
  if (state.progressive == 1) return CompressWith(JpegliLibrary(), state, pixels, install, true, freeLeft);
  MemoryBuffer first;
  if (!AllocateMemoryBuffer(first, 65536)) return false;
  MemoryBuffer* target = &first;
  size_t firstFree = 0;
  bool ok = CompressWith(
      JpegliLibrary(), state, pixels, [target](j_compress_ptr cinfo) { InstallMemoryDestination(cinfo, *target); },
      false, firstFree);
  ok = ok && RewriteEntropyCoding(state, first.data, first.capacity - firstFree, install, freeLeft);
  ReleaseMemoryBuffer(first);
  return ok;
}

// An 8-bit source is expanded once per file into the state's converted buffer; the 24-bit rows to encode
// are returned (nullptr on failure).
const unsigned char* PrepareSourceRows(EncoderState& state, const RgbQuad* colorTable, const unsigned char* pixels) {
  if (state.geometry.sourceBitsPerPixel != 8) return pixels;
  if (!state.convertedPixels) {
    state.convertedPixels = PixelBlock::Allocate(static_cast<size_t>(state.geometry.targetImageBytes));
    if (!state.convertedPixels) return nullptr;
    if (!ConvertPixelFormat(colorTable, state.convertedPixels.Data(), state.geometry, pixels)) return nullptr;
  }
  return state.convertedPixels.Data();
}

}  // namespace

void ResetEncoderState(EncoderState& state) {
  const PixelConversion geometry = state.geometry;
  state = EncoderState{};
  state.geometry = geometry;
}

void SetEncodeOptions(EncoderState& state, int32_t quality, uint8_t progressive, uint8_t greyscale, int32_t sampling) {
  state.quality = EffectiveQuality(quality);
  state.progressive = progressive;
  state.greyscale = greyscale;
  const SamplingFactors factors = LuminanceSampling(sampling);
  state.hSampling = factors.horizontal;
  state.vSampling = factors.vertical;
}

bool AllocateMemoryBuffer(MemoryBuffer& buffer, size_t capacity) {
  buffer.data = static_cast<unsigned char*>(AllocatePixelBlock(capacity));
  buffer.capacity = buffer.data != nullptr ? capacity : 0;
  return buffer.data != nullptr;
}

void ReleaseMemoryBuffer(MemoryBuffer& buffer) {
  ReleasePixelBlock(buffer.data, buffer.capacity);
  buffer = MemoryBuffer{};
}

bool EncodeJpeg(EncoderState& state, const std::wstring& path, const RgbQuad* colorTable, const unsigned char* pixels) {
  state.memoryDestination = 0;
  const unsigned char* rows = PrepareSourceRows(state, colorTable, pixels);
  if (rows == nullptr) return false;
  state.outputFile = CreateOutputFile(path);
  if (!state.outputFile.IsOpen()) return false;
  OutputFile* const file = &state.outputFile;
  size_t freeLeft = 0;
  if (!Compress(
          state, rows, [file](j_compress_ptr cinfo) { InstallFileDestination(cinfo, file); }, freeLeft))
    return false;
  state.writtenQuality = std::max(state.quality, 1);
  return true;
}

bool EncodeJpeg(EncoderState& state, MemoryBuffer& buffer, size_t& byteCount, const unsigned char* pixels) {
  state.memoryDestination = 1;
  size_t freeLeft = 0;
  MemoryBuffer* target = &buffer;
  if (!Compress(
          state, pixels, [target](j_compress_ptr cinfo) { InstallMemoryDestination(cinfo, *target); }, freeLeft))
    return false;
  byteCount = buffer.capacity - freeLeft;
  return true;
}

bool SearchQualityWithinBound(int32_t startQuality, int64_t boundBytes,
                              const std::function<bool(int32_t, int64_t&)>& pass, int32_t& chosen) {
  int32_t q = startQuality;
  int64_t bytes = 0;
  if (!pass(q, bytes)) return false;
  if (bytes <= boundBytes || q <= 1) {
    chosen = q;
    return true;
  }
  int32_t step = q / 2;
  q -= step;
  int32_t lastFit = 1;
  int32_t passed = q;
  // Halving steps end the search within 13 passes when sizes grow with quality; the cap only guards
  // against an encoder whose sizes jump around.
  for (int passes = 1; passes < 64; ++passes) {
    q = std::clamp(q, 1, std::max(startQuality, 1));
    if (!pass(q, bytes)) return false;
    passed = q;
    if (q == 1) break;
    if (step > 1) step /= 2;
    if (bytes > boundBytes) {
      q -= step;
    } else {
      if (lastFit == q) break;
      lastFit = q;
      q += step;
    }
  }
  chosen = passed;
  return true;
}

bool EncodeWithinSizeBound(EncoderState& state, const std::wstring& path, const RgbQuad* colorTable,
                           const unsigned char* pixels, int32_t limitKb) {
  const unsigned char* rows = PrepareSourceRows(state, colorTable, pixels);
  if (rows == nullptr) return false;
  state.memoryDestination = 1;
  MemoryBuffer buffer;
  if (!AllocateMemoryBuffer(buffer, static_cast<size_t>(state.geometry.targetImageBytes))) return false;

  size_t kept = 0;
  int32_t chosen = state.quality;
  const bool searched = SearchQualityWithinBound(
      state.quality, static_cast<int64_t>(limitKb) * 1024,
      [&](int32_t q, int64_t& bytes) {
        state.quality = q;
        if (!EncodeJpeg(state, buffer, kept, rows)) return false;
        bytes = static_cast<int64_t>(kept);
        return true;
      },
      chosen);
  bool ok = false;
  if (searched) {
    state.outputFile = CreateOutputFile(path);
    ok = state.outputFile.Write(buffer.data, kept);
    if (ok) {
      state.writtenQuality = std::max(chosen, 1);
      state.writtenOverBound = static_cast<int64_t>(kept) > static_cast<int64_t>(limitKb) * 1024;
    }
  }
  ReleaseMemoryBuffer(buffer);
  return ok;
}

void CleanUpEncoderState(EncoderState& state) {
  state.convertedPixels.Reset();
  state.outputFile.Close();
}

}  // namespace qv
