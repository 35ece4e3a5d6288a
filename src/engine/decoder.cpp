// JPEG decoding at N/8 in the DCT domain into a bottom-up, blue-green-red bitmap. The compressed data is
// read in place from the mapping, less the scans a scan plan leaves out; rows go straight into the pixel
// block.
#include "engine/decoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <limits>

#include "engine/exif_editor.h"
#include "engine/jpeg_library.h"
#include "engine/orientation.h"
#include "engine/scan_plan.h"

namespace qv {

namespace {

// Data source over a byte range in memory, less the ranges a scan plan leaves out (none until the plan is
// installed after the header). Past the end it supplies end-of-image markers forever, so a file cut
// short decodes to its full size with the rest filled in by the library.
struct MappedFileSource {
  jpeg_source_mgr pub;
  JOCTET endMarker[2];
  const unsigned char* data;
  uint32_t size;
  const ByteRange* skipped;  // ascending, disjoint
  size_t skippedCount;
  size_t nextSkipped;  // the range the current buffer stops at
  bool pastEnd;        // the buffer holds the supplied end-of-image marker
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<MappedFileSource*>(cinfo->src);
  while (src->nextSkipped < src->skippedCount) {
    const uint32_t resume = src->skipped[src->nextSkipped++].end;
    const uint32_t stop = src->nextSkipped < src->skippedCount ? src->skipped[src->nextSkipped].begin : src->size;
    if (stop > resume) {
      src->pub.next_input_byte = src->data + resume;
      src->pub.bytes_in_buffer = stop - resume;
      return TRUE;
    }
  }
  src->pastEnd = true;
  src->endMarker[0] = 0xFF;
  src->endMarker[1] = JPEG_EOI;
  src->pub.next_input_byte = src->endMarker;
  src->pub.bytes_in_buffer = 2;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  auto* src = reinterpret_cast<MappedFileSource*>(cinfo->src);
  size_t n = static_cast<size_t>(count);
  while (n > src->pub.bytes_in_buffer && src->nextSkipped < src->skippedCount) {
    n -= src->pub.bytes_in_buffer;
    FillInputBuffer(cinfo);
  }
  if (n > src->pub.bytes_in_buffer) n = src->pub.bytes_in_buffer;
  src->pub.next_input_byte += n;
  src->pub.bytes_in_buffer -= n;
}

MappedFileSource* InstallMappedFileSource(j_decompress_ptr cinfo, const unsigned char* data, uint32_t size) {
  auto* src = static_cast<MappedFileSource*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(MappedFileSource)));
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInputBuffer;
  src->pub.skip_input_data = SkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.next_input_byte = data;
  src->pub.bytes_in_buffer = size;
  src->data = data;
  src->size = size;
  src->skipped = nullptr;
  src->skippedCount = 0;
  src->nextSkipped = 0;
  src->pastEnd = false;
  cinfo->src = &src->pub;
  return src;
}

// Side of the blocks the inverse DCT makes for a component at the output scale.
int ScaledBlockSide(const jpeg_component_info& component) {
#if JPEG_LIB_VERSION >= 70
  return std::max(component.DCT_h_scaled_size, component.DCT_v_scaled_size);
#else
  return component.DCT_scaled_size;
#endif
}

// After the header, with the output size known: when some components of a Huffman-coded progressive
// file keep only their DC coefficient (1x1 blocks, at 1/8), the source stops handing the library the
// scans that the plan leaves out. Block smoothing goes off with them: the plan holds only when the full
// decode would not smooth, and without it the library would estimate the coefficients left out.
void LeaveOutUnusedScans(j_decompress_ptr cinfo, MappedFileSource& src, int32_t maxScans, ScanPlan& plan) {
  if (!cinfo->progressive_mode || cinfo->arith_code || cinfo->num_components > FrameComponents::kMax) return;
  if (src.pastEnd) return;
  FrameComponents frame;
  frame.count = cinfo->num_components;
  bool dcOnly = false;
  for (int c = 0; c < frame.count; ++c) {
    frame.ids[c] = cinfo->comp_info[c].component_id;
    frame.needsAc[c] = ScaledBlockSide(cinfo->comp_info[c]) > 1;
    dcOnly = dcOnly || !frame.needsAc[c];
  }
  // The header reader stopped just past the first scan's header.
  const auto position = static_cast<uint32_t>(src.pub.next_input_byte - src.data);
  if (!dcOnly || !PlanSkippedScans(src.data, src.size, position, frame, maxScans, plan)) return;
  if (plan.skipped[0].begin < position) {  // the header reader is already past a range: never for a valid plan
    plan = ScanPlan{};
    return;
  }
  src.skipped = plan.skipped;
  src.skippedCount = plan.rangeCount;
  src.nextSkipped = 0;
  src.pub.bytes_in_buffer = plan.skipped[0].begin - position;
  cinfo->do_block_smoothing = FALSE;
}

// Stops a progressive decode that has read more scans than any real encoder writes: such files make
// the library pass over the whole coefficient buffer once per scan.
struct ScanLimitMonitor {
  jpeg_progress_mgr pub;
  int32_t maxScans;
};

void CheckScanCount(j_common_ptr cinfo) {
  auto* monitor = reinterpret_cast<ScanLimitMonitor*>(cinfo->progress);
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > monitor->maxScans) RaiseLibraryError(cinfo, JERR_NOT_COMPILED);
}

int32_t PelsPerMeter(UINT8 unit, UINT16 density) {
  if (unit == 1) return static_cast<int32_t>(density / 0.0254 + 0.5);
  if (unit == 2) return static_cast<int32_t>(density) * 100;
  return 0;
}

// Table of i * j / 255 (integer division) for the four-component conversion.
struct ProductTable {
  uint8_t value[256][256];
  ProductTable() {
    for (int i = 0; i < 256; ++i)
      for (int j = 0; j < 256; ++j) value[i][j] = static_cast<uint8_t>(i * j / 255);
  }
};

const ProductTable& Products() {
  static const ProductTable table;
  return table;
}

constexpr int kRowsPerRead = 16;

}  // namespace

uint64_t DefaultDecoderMemoryLimit(uint64_t physicalBytes) {
  const uint64_t floor = uint64_t{1} << 30;
  return std::max(physicalBytes / 4, floor);
}

long LibraryMemoryLimit(uint64_t limitBytes, uint64_t physicalBytes) {
  const uint64_t limit = limitBytes != 0 ? limitBytes : DefaultDecoderMemoryLimit(physicalBytes);
  const uint64_t largest = static_cast<uint64_t>(std::numeric_limits<long>::max());
  return static_cast<long>(std::min(limit, largest));
}

namespace {

// What a decode has acquired that a library error must release. It lives in the frame of
// DecodeJpegBytes, which a library error never jumps over, so it may own the block; it is never a local
// of the frame that calls setjmp or of one below it (see DecodeInTrap).
struct DecodeWork {
  PixelBlock block;
  ScanPlan plan;  // the source reads its ranges
  JOCTET* icc = nullptr;  // the library's copy of the ICC profile (malloc), when one was read
  unsigned int iccBytes = 0;
  DecodeWork() = default;
  DecodeWork(const DecodeWork&) = delete;
  DecodeWork& operator=(const DecodeWork&) = delete;
  ~DecodeWork() { std::free(icc); }
};

constexpr unsigned char kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};

// The first saved APP1 that starts with the Exif signature goes into `exif`, whose capacity the caller
// reserved for a whole segment, so that nothing is allocated here (a library error may jump over this
// frame). The profile is assembled by the library from its APP2 chunks.
void KeepMetadata(j_decompress_ptr cinfo, std::vector<unsigned char>& exif, DecodeWork& work) {
  for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next) {
    if (m->marker != JPEG_APP0 + 1 || m->data_length < sizeof kExifSignature) continue;
    if (std::memcmp(m->data, kExifSignature, sizeof kExifSignature) != 0) continue;
    const size_t bytes = std::min<size_t>(m->data_length, exif.capacity());
    exif.assign(m->data, m->data + bytes);
    break;
  }
  if (!jpeg_read_icc_profile(cinfo, &work.icc, &work.iccBytes)) {
    work.icc = nullptr;
    work.iccBytes = 0;
  }
}

// The scale of this file: the requested one, lowered under a long-edge bound.
void ChooseScale(DecoderState& state, j_decompress_ptr cinfo) {
  state.usedScaleNum = state.scaleNum;
  state.resampleTo = PictureSize{};
  const bool fits = state.fitWidth > 0 && state.fitHeight > 0;
  if (state.scaleNum == 0 && state.longEdgeBound <= 0 && !fits) return;
  const int32_t requested = state.scaleNum != 0 ? state.scaleNum : 8;
  int32_t boxWidth = state.fitWidth, boxHeight = state.fitHeight;
  if (fits && state.fitUpright && SwapsSides(ReadExifOrientation(state.exif.data(), state.exif.size())))
    std::swap(boxWidth, boxHeight);
  const ScalePlan plan = PlanScale(cinfo->image_width, cinfo->image_height, requested, state.longEdgeBound,
                                   fits ? boxWidth : 0, fits ? boxHeight : 0);
  state.usedScaleNum = plan.scaleNum;
  state.resampleTo = plan.resampleTo;
  cinfo->scale_num = static_cast<unsigned int>(state.usedScaleNum);
  cinfo->scale_denom = 8;
}

// Every library call of one decode after the object was created. A library error leaves through the
// error trap's jump; `work` then tells the caller what to release. False when the image is refused
// before decoding (size or layout).
bool DecodeWithLibrary(DecoderState& state, j_decompress_ptr cinfo, const unsigned char* data, uint32_t size,
                       DecodeWork& work) {
  DecodedImage& image = state.image;
  MappedFileSource* source = InstallMappedFileSource(cinfo, data, size);
  if (state.keepMetadata) {
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
  }
  jpeg_read_header(cinfo, TRUE);
  if (state.keepMetadata) KeepMetadata(cinfo, state.exif, work);
  ChooseScale(state, cinfo);
  // Three-component pixels in the bitmap's own order, blue-green-red.
  if (cinfo->out_color_space == JCS_RGB) cinfo->out_color_space = JCS_EXT_BGR;

  // Refuse sizes and layouts we cannot hold before the library allocates anything for the image.
  jpeg_calc_output_dimensions(cinfo);
  const int components = cinfo->output_components;
  if (components != 1 && components != 3 && components != 4) return false;
  if (cinfo->output_width < 1 || cinfo->output_width > static_cast<JDIMENSION>(kMaxDecodedSide) ||
      cinfo->output_height < 1 || cinfo->output_height > static_cast<JDIMENSION>(kMaxDecodedSide)) {
    state.tooLarge = true;
    return false;
  }

  if (!state.readEveryScan) LeaveOutUnusedScans(cinfo, *source, state.maxScans, work.plan);
  jpeg_start_decompress(cinfo);
  const int32_t width = static_cast<int32_t>(cinfo->output_width);
  const int32_t height = static_cast<int32_t>(cinfo->output_height);
  const int bitsPerPixel = components == 1 ? 8 : 24;
  const size_t stride = static_cast<size_t>(RowStride(width, bitsPerPixel));

  std::memset(image.colorTable, 0, sizeof(image.colorTable));
  if (bitsPerPixel == 8) {
    for (int i = 0; i < 256; ++i) {
      const uint8_t v = static_cast<uint8_t>(i);
      image.colorTable[i] = RgbQuad{v, v, v, 0};
    }
  }
  image.header.width = width;
  image.header.height = height;
  image.header.bitCount = static_cast<uint16_t>(bitsPerPixel);

  work.block = PixelBlock::Allocate(stride * static_cast<size_t>(height));
  if (!work.block) RaiseLibraryError(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);

  // Row k of the picture (k = 0 at the top) goes to block row height - 1 - k.
  unsigned char* const blockStart = work.block.Data();
  auto blockRow = [&](JDIMENSION k) { return blockStart + (static_cast<size_t>(height) - 1 - k) * stride; };
  if (components != 4) {
    JSAMPROW rows[kRowsPerRead];
    while (cinfo->output_scanline < cinfo->output_height) {
      const JDIMENSION first = cinfo->output_scanline;
      const JDIMENSION count = std::min<JDIMENSION>(kRowsPerRead, cinfo->output_height - first);
      for (JDIMENSION i = 0; i < count; ++i) rows[i] = blockRow(first + i);
      jpeg_read_scanlines(cinfo, rows, count);
    }
  } else {
    const ProductTable& products = Products();
    JSAMPARRAY sampleRow =
        (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, cinfo->output_width * 4, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
      unsigned char* out = blockRow(cinfo->output_scanline);
      if (jpeg_read_scanlines(cinfo, sampleRow, 1) != 1) continue;
      const unsigned char* in = sampleRow[0];
      for (int32_t x = 0; x < width; ++x, in += 4, out += 3) {
        const uint8_t* scale = products.value[in[3]];
        out[0] = scale[in[2]];
        out[1] = scale[in[1]];
        out[2] = scale[in[0]];
      }
    }
  }
  jpeg_finish_decompress(cinfo);
  image.header.xPelsPerMeter = PelsPerMeter(cinfo->density_unit, cinfo->X_density);
  image.header.yPelsPerMeter = PelsPerMeter(cinfo->density_unit, cinfo->Y_density);
  return true;
}

// Creates the library object in `cinfo` and decodes; false on refusal or on a library error, after which
// the caller destroys the object and releases `work`. Only this function calls setjmp, and it changes
// none of its own locals after it: C leaves such locals indeterminate after the jump, while the objects
// reached through the references (the caller's) keep whatever the library calls stored in them.
bool DecodeInTrap(DecoderState& state, const unsigned char* data, uint32_t size, jpeg_decompress_struct& cinfo,
                  LibraryErrorTrap& trap, ScanLimitMonitor& monitor, DecodeWork& work) {
  cinfo.err = InstallLibraryErrorTrap(trap);
  if (setjmp(trap.returnPoint) != 0) return false;
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = LibraryMemoryLimit(state.memoryLimit, PhysicalMemoryBytes());
  monitor.pub.progress_monitor = CheckScanCount;
  monitor.maxScans = state.maxScans;
  cinfo.progress = &monitor.pub;
  return DecodeWithLibrary(state, &cinfo, data, size, work);
}

}  // namespace

void ResetDecodeResults(DecoderState& state) {
  state.image.header = BitmapInfoHeader{};
  state.image.pixels = nullptr;
  state.image.pixelBytes = 0;
  state.tooLarge = false;
  state.skippedScans = 0;
  state.usedScaleNum = state.scaleNum;
  state.resampleTo = PictureSize{};
  state.exif.clear();
  state.icc.clear();
}

const DecodedImage* DecodeJpegBytes(DecoderState& state, const unsigned char* data, uint32_t size) {
  ResetDecodeResults(state);
  if (state.keepMetadata) {
    try {
      state.exif.reserve(kMaxApp1Payload);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }

  // The library's records are trivially destructible; `mem` starts null, so the object can be destroyed
  // whatever point the decode reached. The work releases its block on the way out unless it is handed on.
  jpeg_decompress_struct cinfo{};
  LibraryErrorTrap trap;
  ScanLimitMonitor monitor;
  DecodeWork work;
  const bool decoded = DecodeInTrap(state, data, size, cinfo, trap, monitor, work);
  jpeg_destroy_decompress(&cinfo);
  if (!decoded) {
    state.exif.clear();
    return nullptr;
  }
  try {
    if (work.icc != nullptr) state.icc.assign(work.icc, work.icc + work.iccBytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  state.image.fileSize = size;
  state.skippedScans = work.plan.skippedScans;
  state.image.pixelBytes = work.block.Size();
  state.image.pixels = work.block.Release();
  return &state.image;
}

const DecodedImage* DecodeJpegFile(DecoderState& state, const std::wstring& path) {
  if (MapInputFile(path, state.file) == 0) return nullptr;
  return DecodeJpegBytes(state, state.file.view, state.file.size);
}

}  // namespace qv

namespace qv {

namespace {

bool ReadLayoutInTrap(const unsigned char* data, uint32_t size, jpeg_decompress_struct& cinfo, LibraryErrorTrap& trap,
                      JpegLayout& layout) {
  cinfo.err = InstallLibraryErrorTrap(trap);
  if (setjmp(trap.returnPoint) != 0) return false;
  jpeg_create_decompress(&cinfo);
  InstallMappedFileSource(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.num_components < 1 || cinfo.num_components > 4) return false;
  layout.width = cinfo.image_width;
  layout.height = cinfo.image_height;
  layout.components = cinfo.num_components;
  layout.multiScan = cinfo.progressive_mode || cinfo.comps_in_scan < cinfo.num_components;
  layout.maxH = cinfo.max_h_samp_factor;
  layout.maxV = cinfo.max_v_samp_factor;
  for (int c = 0; c < cinfo.num_components; ++c) {
    layout.h[c] = cinfo.comp_info[c].h_samp_factor;
    layout.v[c] = cinfo.comp_info[c].v_samp_factor;
  }
  return true;
}

}  // namespace

bool ReadJpegLayout(const unsigned char* data, uint32_t size, JpegLayout& layout) {
  jpeg_decompress_struct cinfo{};
  LibraryErrorTrap trap;
  layout = JpegLayout{};
  const bool read = ReadLayoutInTrap(data, size, cinfo, trap, layout);
  jpeg_destroy_decompress(&cinfo);
  return read;
}

}  // namespace qv
