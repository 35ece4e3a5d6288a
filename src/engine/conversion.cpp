// Single-file conversion: probe, decode at scale, optional Exif date, encode into a new temporary file;
// everything of one file is released before the next.
#include "engine/conversion.h"

#include <cstring>
#include <new>

#include "engine/heif_decoder.h"
#include "engine/orientation.h"
#include "engine/resample.h"
#include "platform/text.h"

namespace qv {

bool PrepareCodecStates(CodecStates& states) {
  KeepLargeAllocationsForReuse();
  states.decoder.reset(new (std::nothrow) DecoderState);
  if (!states.decoder) return false;
  states.encoder.reset(new (std::nothrow) EncoderState);
  if (!states.encoder) return false;
  states.exifReader.reset(new (std::nothrow) ExifReaderState);
  return static_cast<bool>(states.exifReader);
}

void ReleaseCodecStates(CodecStates& states) {
  states.decoder.reset();
  states.encoder.reset();
  states.exifReader.reset();
}

bool IsJpegFile(const std::wstring& path) {
  unsigned char head[2];
  return ReadFileHead(path, head, 2) && head[0] == 0xFF && head[1] == 0xD8;
}

namespace {

// Reads the Exif date of `path` through the reader's own mapping; the result lands in the context.
void ReadDateIntoContext(ConversionContext& ctx, const std::wstring& path) {
  ExifReaderState& reader = *ctx.states->exifReader;
  ctx.exifDateTime = ExifDateTime{};
  if (MapInputFile(path, reader.file) != 0) {
    SetExifScanRange(reader, reader.file.view, reader.file.size);
    ctx.exifDateFound = ReadExifDate(reader, ctx.exifDateTime) ? 1 : 0;
  } else {
    ctx.exifDateFound = 0;
  }
  UnmapInputFile(reader.file);
}

// Reads the Exif date of a HEIF file from its Exif block, kept by the decoder or read from `path`.
void ReadHeifDateIntoContext(ConversionContext& ctx, const std::vector<unsigned char>& kept, const std::wstring& path) {
  ExifReaderState& reader = *ctx.states->exifReader;
  ctx.exifDateTime = ExifDateTime{};
  std::vector<unsigned char> read;
  if (kept.empty() && MapInputFile(path, reader.file) != 0) ReadHeifExif(reader.file.view, reader.file.size, read);
  UnmapInputFile(reader.file);
  const std::vector<unsigned char>& exif = kept.empty() ? read : kept;
  ctx.exifDateFound = ReadExifDateOfPayload(reader, exif.data(), exif.size(), ctx.exifDateTime) ? 1 : 0;
  SetExifScanRange(reader, nullptr, 0);
}

// Replaces the decoded picture by its resampled copy at the size the decoder planned. False when the
// memory for it is not available (the decoded picture is then still there).
bool ResampleDecoded(DecoderState& decoder) {
  DecodedImage& image = decoder.image;
  PixelBlock resampled =
      ResamplePixels(image.pixels, image.header.width, image.header.height, image.header.bitCount, decoder.resampleTo);
  if (!resampled) return false;
  ReleasePixelBlock(image.pixels, image.pixelBytes);
  image.pixelBytes = resampled.Size();
  image.pixels = resampled.Release();
  image.header.width = decoder.resampleTo.width;
  image.header.height = decoder.resampleTo.height;
  image.header.sizeImage = static_cast<uint32_t>(image.pixelBytes);
  return true;
}

// Decodes `path` at scaleNum/8, lowered until the long edge fits `longEdgeBound` (0: none), or at the
// scale that fits `box` (0 x 0: none; upright under AutoRotate), keeping the Exif and ICC data in the
// decoder state when `keepMetadata`. A fitted decode is then resampled to its exact size.
bool LoadImage(ConversionContext& ctx, const std::wstring& path, int32_t scaleNum, int32_t longEdgeBound,
               bool keepMetadata, FitBox box = FitBox{}) {
  ctx.lastFailure = ConversionFailure::kNotJpeg;
  if (!PathExists(path)) return false;
  ctx.exifDateFound = 0;
  const bool jpeg = IsJpegFile(path);
  const bool heif = !jpeg && IsHeifFile(path);
  if (!jpeg && !heif) return false;
  DecoderState& decoder = *ctx.states->decoder;
  decoder.file = MappedInputFile{};
  std::memset(decoder.image.colorTable, 0, sizeof(decoder.image.colorTable));
  decoder.scaleNum = scaleNum;
  decoder.longEdgeBound = longEdgeBound;
  decoder.keepMetadata = keepMetadata;
  decoder.fitWidth = box.width;
  decoder.fitHeight = box.height;
  decoder.fitUpright = ctx.params != nullptr && ctx.params->AutoRotate == 1;
  decoder.decodedUpright = heif;

  const DecodedImage* image = heif ? DecodeHeifFile(decoder, path) : DecodeJpegFile(decoder, path);
  ctx.inputIdentity = decoder.file.identity;
  if (image != nullptr && NeedsExifDate(*ctx.params) && ctx.states->exifReader) {
    if (heif)
      ReadHeifDateIntoContext(ctx, decoder.exif, path);
    else
      ReadDateIntoContext(ctx, path);
  }
  UnmapInputFile(decoder.file);
  if (image == nullptr) {
    ctx.lastFailure = decoder.tooLarge ? ConversionFailure::kTooLarge : ConversionFailure::kDecodeFailed;
    return false;
  }
  ctx.lastFailure = ConversionFailure::kNone;

  if (decoder.resampleTo.width > 0 && !ResampleDecoded(decoder)) {
    ReleasePixelBlock(decoder.image.pixels, decoder.image.pixelBytes);
    decoder.image.pixels = nullptr;
    decoder.image.pixelBytes = 0;
    ctx.lastFailure = ConversionFailure::kEncodeFailed;  // as any lack of memory after the decode
    return false;
  }

  ctx.loaded.image = image;
  ctx.loaded.width = image->header.width;
  ctx.loaded.height = image->header.height;
  ctx.loaded.bitsPerPixel = image->header.bitCount;
  ctx.loaded.xPelsPerMeter = image->header.xPelsPerMeter;
  ctx.loaded.yPelsPerMeter = image->header.yPelsPerMeter;
  return true;
}

// Turns the loaded picture upright by the orientation of its Exif data. False when the memory for the
// turned copy is not available.
bool TurnUpright(ConversionContext& ctx) {
  DecoderState& decoder = *ctx.states->decoder;
  const int orientation = ReadExifOrientation(decoder.exif.data(), decoder.exif.size());
  if (orientation < 2 || orientation > 8) return true;
  if (decoder.decodedUpright) {  // the decoder applied the file's own turns, which this orientation records
    ctx.photo.rotated = true;
    return true;
  }
  DecodedImage& image = decoder.image;
  PixelBlock upright = OrientPixels(image.pixels, image.header.width, image.header.height, image.header.bitCount,
                                    orientation);
  if (!upright) return false;
  ReleasePixelBlock(image.pixels, image.pixelBytes);
  image.pixelBytes = upright.Size();
  image.pixels = upright.Release();
  if (SwapsSides(orientation)) {
    std::swap(image.header.width, image.header.height);
    std::swap(image.header.xPelsPerMeter, image.header.yPelsPerMeter);
  }
  image.header.sizeImage = static_cast<uint32_t>(image.pixelBytes);
  ctx.loaded.width = image.header.width;
  ctx.loaded.height = image.header.height;
  ctx.loaded.xPelsPerMeter = image.header.xPelsPerMeter;
  ctx.loaded.yPelsPerMeter = image.header.yPelsPerMeter;
  ctx.photo.rotated = true;
  return true;
}

// Whether a colour profile describes the output's data: its header's colour space (bytes 16-19) is
// "RGB " for colour output (YCbCr, which readers turn into RGB) or "GRAY" for grey output. A CMYK
// input's profile does not describe its RGB output.
bool ProfileFitsOutput(const std::vector<unsigned char>& profile, bool greyOutput) {
  constexpr size_t kColourSpaceAt = 16;
  if (profile.size() < kColourSpaceAt + 4) return false;
  return std::memcmp(profile.data() + kColourSpaceAt, greyOutput ? "GRAY" : "RGB ", 4) == 0;
}

// Prepares the Exif data and the colour profile the output carries, as the parameters ask.
void PrepareOutputMetadata(ConversionContext& ctx) {
  const ConversionParams& params = *ctx.params;
  DecoderState& decoder = *ctx.states->decoder;
  if (params.KeepExif == 1 && !decoder.exif.empty()) {
    ExifOutputFacts facts;
    facts.resetOrientation = ctx.photo.rotated || decoder.decodedUpright;
    facts.width = static_cast<uint32_t>(ctx.loaded.width);
    facts.height = static_cast<uint32_t>(ctx.loaded.height);
    ExifDropReason reason = ExifDropReason::kNone;
    if (MakeOutputExif(decoder.exif.data(), decoder.exif.size(), facts, ctx.outputExif, reason))
      ctx.photo.exifKept = true;
    else
      ctx.photo.exifDropped = reason;
  }
  if (params.KeepIcc == 1 && !decoder.icc.empty()) {
    if (ProfileFitsOutput(decoder.icc, ctx.loaded.bitsPerPixel == 8)) {
      ctx.outputIcc.swap(decoder.icc);
      ctx.photo.iccKept = true;
    } else {
      ctx.photo.iccDropped = IccDropReason::kColourSpaceMismatch;
    }
  }
}

}  // namespace

const char* IccDropReasonName(IccDropReason reason) {
  switch (reason) {
    case IccDropReason::kNone: return "";
    case IccDropReason::kColourSpaceMismatch: return "colour-space-mismatch";
  }
  return "";
}

bool LoadInputImage(ConversionContext& ctx, const std::wstring& path, int32_t scaleNum) {
  return LoadImage(ctx, path, scaleNum, 0, false);
}

bool ConvertLoadedImage(ConversionContext& ctx, const std::wstring& outputPath) {
  const ConversionParams& params = *ctx.params;
  EncoderState& encoder = *ctx.states->encoder;
  ResetEncoderState(encoder);
  encoder.geometry = PixelConversion{};
  encoder.geometry.width = ctx.loaded.width;
  encoder.geometry.height = ctx.loaded.height;
  encoder.geometry.sourceBitsPerPixel = ctx.loaded.bitsPerPixel;
  encoder.geometry.targetBitsPerPixel = 24;
  ComputeRowGeometry(encoder.geometry);
  SetEncodeOptions(encoder, params.Quality, params.Progressive, ctx.loaded.bitsPerPixel == 8 ? 1 : 0,
                   params.Sampling);
  encoder.jpegli = UsesJpegli(params) ? 1 : 0;
  encoder.xPelsPerMeter = ctx.loaded.xPelsPerMeter;
  encoder.yPelsPerMeter = ctx.loaded.yPelsPerMeter;
  if (!ctx.outputExif.empty()) {
    encoder.exif = ctx.outputExif.data();
    encoder.exifBytes = ctx.outputExif.size();
  }
  if (!ctx.outputIcc.empty()) {
    encoder.icc = ctx.outputIcc.data();
    encoder.iccBytes = ctx.outputIcc.size();
  }

  std::string comment;
  if (HasCommentToInsert(params)) {
    comment = ToAnsiCodePage(params.CmtStr1);
    if (comment.size() > kMaxCommentBytes) comment.resize(kMaxCommentBytes);
    encoder.comment = comment.c_str();
  }

  const DecodedImage& image = *ctx.loaded.image;
  bool ok;
  if (params.Limit == 1)
    ok = EncodeWithinSizeBound(encoder, outputPath, image.colorTable, image.pixels, params.LmtVal);
  else
    ok = EncodeJpeg(encoder, outputPath, image.colorTable, image.pixels);
  encoder.comment = nullptr;
  encoder.exif = encoder.icc = nullptr;
  ctx.writtenQuality = ok ? encoder.writtenQuality : 0;
  ctx.photo.overLimit = ok && encoder.writtenOverBound;
  CleanUpEncoderState(encoder);
  return ok;
}

void ReleaseLoadedPixels(ConversionContext& ctx) {
  if (ctx.states == nullptr || !ctx.states->decoder) return;
  DecodedImage& image = ctx.states->decoder->image;
  ReleasePixelBlock(image.pixels, image.pixelBytes);
  image.pixels = nullptr;
  image.pixelBytes = 0;
}

bool ConvertFileToTemp(ConversionContext& ctx, const std::wstring& inputPath, std::wstring& tempPath) {
  tempPath.clear();
  const ConversionParams& params = *ctx.params;
  ctx.photo = PhotoResult{};
  ctx.outputExif.clear();
  ctx.outputIcc.clear();
  ctx.inputIdentity = FileIdentity{};
  if (!LoadImage(ctx, inputPath, params.ScaleNum, LongEdgeBound(params), NeedsInputMetadata(params), FitBoxOf(params)))
    return false;
  ctx.photo.scaleNum = ctx.states->decoder->usedScaleNum;
  bool ok = false;
  std::wstring temp;
  try {
    if ((params.AutoRotate != 1 || TurnUpright(ctx)) && CreateUniqueTempFile(ctx.tempFolder, temp)) {
      PrepareOutputMetadata(ctx);
      ok = ConvertLoadedImage(ctx, temp);
    }
  } catch (const std::bad_alloc&) {
    // The Exif copy, the comment or a path: the file fails like any encode without memory.
    CleanUpEncoderState(*ctx.states->encoder);
    ok = false;
  }
  if (ok) tempPath.swap(temp);
  else if (!temp.empty()) DeleteFileAt(temp);
  ctx.lastFailure = ok ? ConversionFailure::kNone : ConversionFailure::kEncodeFailed;
  if (!ok) ctx.photo = PhotoResult{};
  ctx.outputExif.clear();
  ctx.outputIcc.clear();
  ReleaseLoadedPixels(ctx);
  return ok;
}

bool ReadExifDateOfFile(ConversionContext& ctx, const std::wstring& path) {
  if (!PathExists(path)) return false;
  ctx.exifDateFound = 0;
  if (NeedsExifDate(*ctx.params) && ctx.states != nullptr && ctx.states->exifReader) {
    if (IsJpegFile(path))
      ReadDateIntoContext(ctx, path);
    else if (IsHeifFile(path))
      ReadHeifDateIntoContext(ctx, std::vector<unsigned char>(), path);
  }
  return true;
}

}  // namespace qv
