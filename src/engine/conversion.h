// The engine's front door: one input path in, one converted JPEG in a temporary file out. The long-lived
// codec states belong to whoever converts (a run, a preview, a file-name check) and are lent to the
// context; the parameters are the caller's too and are only read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/decoder.h"
#include "engine/encoder.h"
#include "engine/exif_editor.h"
#include "engine/exif_reader.h"
#include "engine/params.h"

namespace qv {

// The decoder, encoder and Exif reader states: made once and reused for every file of their owner.
struct CodecStates {
  std::unique_ptr<DecoderState> decoder;
  std::unique_ptr<EncoderState> encoder;
  std::unique_ptr<ExifReaderState> exifReader;
};

struct LoadedImage {
  const DecodedImage* image = nullptr;  // inside the decoder state; pixel block owned by the caller
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
};

// Why the last ConvertFileToTemp or LoadInputImage failed.
enum class ConversionFailure {
  kNone,
  kNotJpeg,       // missing, unreadable, or neither a JPEG (0xFF 0xD8) nor a HEIF file (engine/heif_decoder.h)
  kDecodeFailed,  // the library could not decode it (or it has an unsupported layout)
  kTooLarge,      // a decoded side would exceed 25000 pixels
  kEncodeFailed,  // the temporary file could not be made or written
};

// Why an input's colour profile was left out although it was asked for.
enum class IccDropReason {
  kNone,
  kColourSpaceMismatch,  // the profile describes other data than the output's ("RGB " or "GRAY")
};

// "" / "colour-space-mismatch".
const char* IccDropReasonName(IccDropReason reason);

// What the last conversion kept of its input beyond the pixels, the scale it used, and whether it met
// the size bound.
struct PhotoResult {
  bool rotated = false;    // the pixels were turned upright by the Exif orientation
  bool exifKept = false;   // the output carries the input's Exif data
  bool iccKept = false;    // the output carries the input's colour profile
  ExifDropReason exifDropped = ExifDropReason::kNone;  // why the input's Exif was left out
  IccDropReason iccDropped = IccDropReason::kNone;     // why the input's colour profile was left out
  int32_t scaleNum = 0;    // the N of N/8 the input was decoded at
  bool overLimit = false;  // under a size bound, even quality 1 is larger: written at quality 1 all the same
};

// Everything one conversion needs: the parameters in force and the codec states (both lent by the caller
// and outliving the context; the parameters are never written), the last loaded image and the date read
// from it, and where temporary files go.
struct ConversionContext {
  const ConversionParams* params = nullptr;
  CodecStates* states = nullptr;
  LoadedImage loaded;
  ExifDateTime exifDateTime;
  uint8_t exifDateFound = 0;
  std::wstring tempFolder;     // with a trailing separator
  int32_t writtenQuality = 0;  // quality of the last output written
  PhotoResult photo;           // of the last conversion
  std::vector<unsigned char> outputExif;  // the Exif and ICC data the next encode writes
  std::vector<unsigned char> outputIcc;
  ConversionFailure lastFailure = ConversionFailure::kNone;
  // The file the last load opened (read from its open handle): which file, and which version of it, the
  // output was made from.
  FileIdentity inputIdentity;
};

// Creates the decoder, encoder and Exif reader states, stopping at the first that cannot be allocated.
// Call ReleaseCodecStates afterwards whatever the result.
bool PrepareCodecStates(CodecStates& states);
void ReleaseCodecStates(CodecStates& states);

// True when the file opens for reading and starts with 0xFF 0xD8; the name does not matter.
bool IsJpegFile(const std::wstring& path);

// Decodes `path` at scaleNum/8 (0: unscaled, as a preview shows it) and reads its Exif date when the
// naming rule needs it. On success ctx.loaded describes the image and the caller owns its pixel block.
bool LoadInputImage(ConversionContext& ctx, const std::wstring& path, int32_t scaleNum);

// Encodes ctx.loaded to `outputPath` under the parameters; leaves the loaded image alone.
bool ConvertLoadedImage(ConversionContext& ctx, const std::wstring& outputPath);

// Releases the pixel block of the loaded image.
void ReleaseLoadedPixels(ConversionContext& ctx);

// Converts `inputPath` at params->ScaleNum/8 (lowered per file under a long-edge bound) into a new "tmp"
// file in ctx.tempFolder whose path lands in `tempPath`: turned upright and with the input's Exif data
// and colour profile when the parameters ask for it (ctx.photo says what was done). On failure no
// temporary file remains; a small allocation that fails is a failed encode (nothing is thrown).
bool ConvertFileToTemp(ConversionContext& ctx, const std::wstring& inputPath, std::wstring& tempPath);

// Reads only the Exif date of `path` (when the naming rule needs it) into ctx.exifDateTime and
// ctx.exifDateFound. False only when no file exists at `path`. Needs the Exif reader state.
bool ReadExifDateOfFile(ConversionContext& ctx, const std::wstring& path);

}  // namespace qv
