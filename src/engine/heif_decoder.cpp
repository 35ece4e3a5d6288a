// HEIF decoding through libheif's C interface: the container is read in place from the mapping, the primary
// image decoded at full size with its turns applied, its samples copied (and rounded to 8 bits) into a
// bottom-up blue-green-red bitmap. The resampling to the planned size happens in the caller
// (engine/conversion.cpp), as for a fitted JPEG.
#include "engine/heif_decoder.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/exif_editor.h"
#include "engine/orientation.h"

namespace qv {

namespace {

struct ContextFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
  void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
  void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
using ContextPtr = std::unique_ptr<heif_context, ContextFree>;
using HandlePtr = std::unique_ptr<heif_image_handle, HandleRelease>;
using ImagePtr = std::unique_ptr<heif_image, ImageRelease>;
using OptionsPtr = std::unique_ptr<heif_decoding_options, OptionsFree>;

constexpr unsigned char kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
// An Exif block larger than this is not ours to keep or read (a JPEG's holds at most 64 KiB).
constexpr size_t kMaxExifBlock = size_t{1} << 20;

// The opened container and its primary image. `limitExceeded` tells a refusal by the size limit apart.
struct OpenedFile {
  ContextPtr context;
  HandlePtr primary;
  bool limitExceeded = false;
};

bool OpenPrimary(const unsigned char* data, uint32_t size, OpenedFile& opened) {
  if (data == nullptr || !IsHeifBytes(data, size)) return false;
  opened.context.reset(heif_context_alloc());
  if (!opened.context) return false;
  heif_context_set_maximum_image_size_limit(opened.context.get(), kMaxHeifSide);
  heif_error error = heif_context_read_from_memory_without_copy(opened.context.get(), data, size, nullptr);
  if (error.code != heif_error_Ok) {
    opened.limitExceeded = error.subcode == heif_suberror_Security_limit_exceeded;
    return false;
  }
  heif_image_handle* handle = nullptr;
  error = heif_context_get_primary_image_handle(opened.context.get(), &handle);
  opened.primary.reset(handle);
  return error.code == heif_error_Ok && handle != nullptr;
}

bool LayoutOf(const heif_image_handle* handle, HeifLayout& layout) {
  layout.width = heif_image_handle_get_width(handle);
  layout.height = heif_image_handle_get_height(handle);
  const int bits = heif_image_handle_get_luma_bits_per_pixel(handle);
  layout.bitDepth = bits > 0 ? bits : 8;
  return layout.width > 0 && layout.height > 0 && layout.bitDepth <= 16;
}

bool ExifOf(const heif_image_handle* handle, std::vector<unsigned char>& out) {
  out.clear();
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) return false;
  const size_t size = heif_image_handle_get_metadata_size(handle, id);
  if (size < 4 || size > kMaxExifBlock) return false;
  std::vector<unsigned char> block(size);
  if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok) return false;
  // The block starts with the big-endian offset of the TIFF header from the end of these four bytes
  // (writers put "Exif\0\0" or nothing in between).
  const uint32_t offset = (uint32_t{block[0]} << 24) | (uint32_t{block[1]} << 16) | (uint32_t{block[2]} << 8) | block[3];
  if (offset > size - 4 - 8) return false;  // at least a TIFF header must follow
  const unsigned char* tiff = block.data() + 4 + offset;
  const unsigned char* end = block.data() + size;
  out.assign(kExifSignature, kExifSignature + sizeof kExifSignature);
  out.insert(out.end(), tiff, end);
  return true;
}

bool IccOf(const heif_image_handle* handle, std::vector<unsigned char>& out) {
  out.clear();
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return false;
  const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
  if (size == 0 || size > kMaxExifBlock * 16) return false;
  out.resize(size);
  if (heif_image_handle_get_raw_color_profile(handle, out.data()).code != heif_error_Ok) {
    out.clear();
    return false;
  }
  return true;
}

// The N of N/8 this file is decoded at and the size it is resampled to afterwards (0 x 0: none).
void PlanHeifScale(DecoderState& state, const HeifLayout& layout) {
  state.usedScaleNum = state.scaleNum;
  state.resampleTo = PictureSize{};
  const bool fits = state.fitWidth > 0 && state.fitHeight > 0;
  if (state.scaleNum == 0 && state.longEdgeBound <= 0 && !fits) return;
  const int32_t requested = state.scaleNum != 0 ? state.scaleNum : 8;
  // The picture is upright already: the box applies as it is.
  const ScalePlan plan = PlanScale(layout.width, layout.height, requested, state.longEdgeBound,
                                   fits ? state.fitWidth : 0, fits ? state.fitHeight : 0);
  state.usedScaleNum = plan.scaleNum;
  if (plan.resampleTo.width > 0) {
    state.resampleTo = plan.resampleTo;
  } else if (plan.scaleNum < 8) {
    // No DCT-domain scaling: the N/8 size of a JPEG, ceil(side * N / 8), reached by resampling.
    const auto scaled = [&](int64_t side) { return static_cast<int32_t>((side * plan.scaleNum + 7) / 8); };
    state.resampleTo = PictureSize{scaled(layout.width), scaled(layout.height)};
  }
}

// Copies the interleaved RGB rows (top-down) into the bottom-up BGR block; samples of more than 8 bits
// (16-bit little-endian containers) are rounded to 8 (ReduceSampleTo8).
void CopyRows(const uint8_t* plane, int stride, int bits, int32_t width, int32_t height, unsigned char* block) {
  const size_t blockStride = static_cast<size_t>(RowStride(width, 24));
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = plane + static_cast<size_t>(y) * static_cast<size_t>(stride);
    unsigned char* out = block + static_cast<size_t>(height - 1 - y) * blockStride;
    if (bits <= 8) {
      for (int32_t x = 0; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    } else {
      for (int32_t x = 0; x < width; ++x, in += 6, out += 3) {
        for (int c = 0; c < 3; ++c)
          out[2 - c] = ReduceSampleTo8(uint32_t{in[2 * c]} | (uint32_t{in[2 * c + 1]} << 8), bits);
      }
    }
  }
}

// The decode proper, after the state was reset. Library errors come back as error records; a lack of
// memory in the library's C++ surfaces as std::bad_alloc, which the caller catches.
bool DecodePrimary(DecoderState& state, const unsigned char* data, uint32_t size, PixelBlock& block) {
  OpenedFile opened;
  if (!OpenPrimary(data, size, opened)) {
    state.tooLarge = opened.limitExceeded;
    return false;
  }
  heif_image_handle* handle = opened.primary.get();
  HeifLayout layout;
  if (!LayoutOf(handle, layout)) return false;

  PlanHeifScale(state, layout);
  const PictureSize result = state.resampleTo.width > 0
                                 ? state.resampleTo
                                 : PictureSize{static_cast<int32_t>(layout.width), static_cast<int32_t>(layout.height)};
  const uint64_t limit = state.memoryLimit != 0 ? state.memoryLimit : DefaultDecoderMemoryLimit(PhysicalMemoryBytes());
  uint64_t needed = HeifDecodeBytes(layout);
  if (state.resampleTo.width > 0) needed += ResampleWorkingBytes(layout.width, layout.height, 24, state.resampleTo);
  if (result.width > kMaxDecodedSide || result.height > kMaxDecodedSide || layout.width > kMaxHeifSide ||
      layout.height > kMaxHeifSide || needed > limit) {
    state.tooLarge = true;
    return false;
  }

  ExifOf(handle, state.exif);
  if (state.keepMetadata) IccOf(handle, state.icc);

  OptionsPtr options(heif_decoding_options_alloc());
  if (!options) return false;
  options->ignore_transformations = 0;  // the picture as the camera meant it: turned and mirrored
  options->convert_hdr_to_8bit = 0;     // libheif cuts the low bits off; we round them (CopyRows)
  const int bits = layout.bitDepth > 8 ? layout.bitDepth : 8;
  heif_image* decoded = nullptr;
  const heif_error error =
      heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                        bits > 8 ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB, options.get());
  ImagePtr image(decoded);
  if (error.code != heif_error_Ok || !image) return false;

  const int32_t width = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int32_t height = heif_image_get_height(image.get(), heif_channel_interleaved);
  const int planeBits = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  // The decode must be the picture the plan was made for, with the samples we asked for.
  if (plane == nullptr || width != layout.width || height != layout.height || (planeBits > 8) != (bits > 8) ||
      planeBits < 8 || planeBits > 16 || stride < width * (planeBits > 8 ? 6 : 3))
    return false;

  block = PixelBlock::Allocate(static_cast<size_t>(RowStride(width, 24)) * static_cast<size_t>(height));
  if (!block) return false;
  CopyRows(plane, stride, planeBits, width, height, block.Data());

  BitmapInfoHeader& header = state.image.header;
  header.width = width;
  header.height = height;
  header.bitCount = 24;
  header.sizeImage = static_cast<uint32_t>(block.Size());
  std::memset(state.image.colorTable, 0, sizeof(state.image.colorTable));
  return true;
}

}  // namespace

bool IsHeifBytes(const unsigned char* data, size_t size) {
  static const char* const kBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx",
                                        "mif1", "msf1", "avif", "avis"};
  if (data == nullptr || size < 12 || std::memcmp(data + 4, "ftyp", 4) != 0) return false;
  for (const char* brand : kBrands)
    if (std::memcmp(data + 8, brand, 4) == 0) return true;
  return false;
}

bool IsHeifFile(const std::wstring& path) {
  unsigned char head[12];
  return ReadFileHead(path, head, sizeof head) && IsHeifBytes(head, sizeof head);
}

bool ReadHeifLayout(const unsigned char* data, uint32_t size, HeifLayout& layout) {
  layout = HeifLayout{};
  try {
    OpenedFile opened;
    return OpenPrimary(data, size, opened) && LayoutOf(opened.primary.get(), layout);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

uint64_t HeifDecodeBytes(const HeifLayout& layout) {
  const uint64_t pixels = static_cast<uint64_t>(std::max<int64_t>(layout.width, 0)) *
                          static_cast<uint64_t>(std::max<int64_t>(layout.height, 0));
  const uint64_t sample = layout.bitDepth > 8 ? 2 : 1;
  // Codec planes up to 4:4:4, once more for the put-together grid; interleaved RGB; our 24-bit bitmap.
  return pixels * (3 * sample * 2 + 3 * sample + 3) + (uint64_t{16} << 20);
}

const DecodedImage* DecodeHeifBytes(DecoderState& state, const unsigned char* data, uint32_t size) {
  ResetDecodeResults(state);
  PixelBlock block;
  bool decoded = false;
  try {
    decoded = DecodePrimary(state, data, size, block);
  } catch (const std::bad_alloc&) {
    decoded = false;
  }
  if (!decoded) {
    state.exif.clear();
    state.icc.clear();
    state.resampleTo = PictureSize{};
    return nullptr;
  }
  state.image.fileSize = size;
  state.image.pixelBytes = block.Size();
  state.image.pixels = block.Release();
  return &state.image;
}

const DecodedImage* DecodeHeifFile(DecoderState& state, const std::wstring& path) {
  if (MapInputFile(path, state.file) == 0) return nullptr;
  return DecodeHeifBytes(state, state.file.view, state.file.size);
}

bool ReadHeifExif(const unsigned char* data, uint32_t size, std::vector<unsigned char>& out) {
  out.clear();
  try {
    OpenedFile opened;
    return OpenPrimary(data, size, opened) && ExifOf(opened.primary.get(), out);
  } catch (const std::bad_alloc&) {
    out.clear();
    return false;
  }
}

}  // namespace qv
