// ConversionParams: how every output file is made. One record for the process, filled from the settings
// file and edited by the output settings page; a run, a preview or a name listing works on a copy of it
// (or a const view), which the engine and the naming rules only read.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace qv {

struct ConversionParams {
  int32_t Quality = 75;        // 1-100; above 100 encodes at 75
  int32_t Sampling = 0;        // 0: 2x2, 1: 2x1, 2: 1x1 luminance factors; other values act as 0
  uint8_t Limit = 0;           // 1: output must not exceed LmtVal KB
  int32_t LmtVal = 100;        // size bound in kilobytes of 1024 bytes
  int32_t ScaleNum = 1;        // output = input * ScaleNum / 8; 0 = unscaled (previews only)
  int32_t NameSet = 0;         // 0 input name, 1 Exif date first, 2 serial numbers; others act as 0
  int32_t DigitNum = 2;        // minimum digits of a serial number
  int32_t StartNum = 0;        // first serial number
  uint8_t TopAdd = 0;          // 1: prefix TopStr
  std::wstring TopStr;
  uint8_t EndAdd = 0;          // 1: suffix EndStr before the extension
  std::wstring EndStr;
  uint8_t MkDirAdd = 0;        // 1: write into sub-folder MkDirStr
  std::wstring MkDirStr = L"Output";
  uint8_t IFileDel = 0;        // 1: remove each input after its output was written
  uint8_t Recycle = 1;         // with IFileDel: 1 recycle bin, 0 delete for good
  uint8_t Progressive = 0;     // 1: progressive JPEG
  uint8_t CmtOpt = 0;          // 1: insert CmtStr1 as a comment
  std::wstring CmtStr1;        // lines separated by CR LF
  // What an output keeps of its input beyond the pixels, and the long-edge bound; all off by default, so
  // that an output then carries nothing of its input but the pixels.
  uint8_t AutoRotate = 0;   // 1: turn the pixels upright by the Exif orientation
  uint8_t KeepExif = 0;     // 1: copy the Exif data (thumbnail left out, orientation and sizes updated)
  uint8_t KeepIcc = 0;      // 1: copy the ICC colour profile
  uint8_t KeepTime = 0;     // 1: give the output the input's modification time
  uint8_t MaxEdgeOn = 0;    // 1: per file, shrink the scale until the long edge fits MaxEdge
  int32_t MaxEdge = 1600;   // long-edge bound in pixels
  uint8_t FitOn = 0;        // 1: each photo as large as fits FitWidth x FitHeight (aspect kept, never enlarged)
  int32_t FitWidth = 1920;  // the box, in pixels (of the upright photo under AutoRotate)
  int32_t FitHeight = 1080;
  int32_t Encoder = 0;      // kEncoderJpegli: jpegli's encoder; any other value: libjpeg's
};

// Field by field; a field added above belongs here too.
inline bool operator==(const ConversionParams& a, const ConversionParams& b) {
  return a.Quality == b.Quality && a.Sampling == b.Sampling && a.Limit == b.Limit && a.LmtVal == b.LmtVal &&
         a.ScaleNum == b.ScaleNum && a.NameSet == b.NameSet && a.DigitNum == b.DigitNum &&
         a.StartNum == b.StartNum && a.TopAdd == b.TopAdd && a.TopStr == b.TopStr && a.EndAdd == b.EndAdd &&
         a.EndStr == b.EndStr && a.MkDirAdd == b.MkDirAdd && a.MkDirStr == b.MkDirStr &&
         a.IFileDel == b.IFileDel && a.Recycle == b.Recycle && a.Progressive == b.Progressive &&
         a.CmtOpt == b.CmtOpt && a.CmtStr1 == b.CmtStr1 && a.AutoRotate == b.AutoRotate &&
         a.KeepExif == b.KeepExif && a.KeepIcc == b.KeepIcc && a.KeepTime == b.KeepTime &&
         a.MaxEdgeOn == b.MaxEdgeOn && a.MaxEdge == b.MaxEdge &&
         a.FitOn == b.FitOn && a.FitWidth == b.FitWidth && a.FitHeight == b.FitHeight &&
         a.Encoder == b.Encoder;
}
inline bool operator!=(const ConversionParams& a, const ConversionParams& b) { return !(a == b); }

// The ranges the output settings page offers for the values it edits as numbers and texts.
constexpr int32_t kMinQuality = 1, kMaxQuality = 100;
constexpr int32_t kMinLimitKb = 1, kMaxLimitKb = 32767;
constexpr int32_t kMinDigits = 1, kMaxDigits = 5;
constexpr int32_t kMinStartNumber = 0, kMaxStartNumber = 9999;
constexpr int32_t kMinMaxEdge = 1, kMaxMaxEdge = 25000;
constexpr int32_t kMinFitSide = 1, kMaxFitSide = 65535;
constexpr int32_t kMinScaleNum = 1, kMaxScaleNum = 16;
constexpr size_t kMaxNamePartChars = 259;  // prefix, suffix and sub-folder name

// Brings the values of a settings file into the ranges the pages offer, as their fields do before every
// run: quality, size bound, scale, serial digits, first number and long-edge bound clamped, prefix,
// suffix and sub-folder name cut to their longest length. A hand-edited file (DigitNum=2000000000,
// ScaleNum=-1) thus cannot make a name of gigabytes or a picture of twice the size. Every front end
// calls this before it converts with stored values.
inline void BoundToOfferedRanges(ConversionParams& p) {
  p.Quality = std::clamp(p.Quality, kMinQuality, kMaxQuality);
  p.ScaleNum = std::clamp(p.ScaleNum, kMinScaleNum, kMaxScaleNum);
  p.LmtVal = std::clamp(p.LmtVal, kMinLimitKb, kMaxLimitKb);
  p.DigitNum = std::clamp(p.DigitNum, kMinDigits, kMaxDigits);
  p.StartNum = std::clamp(p.StartNum, kMinStartNumber, kMaxStartNumber);
  p.MaxEdge = std::clamp(p.MaxEdge, kMinMaxEdge, kMaxMaxEdge);
  p.FitWidth = std::clamp(p.FitWidth, kMinFitSide, kMaxFitSide);
  p.FitHeight = std::clamp(p.FitHeight, kMinFitSide, kMaxFitSide);
  for (std::wstring* text : {&p.TopStr, &p.EndStr, &p.MkDirStr})
    if (text->size() > kMaxNamePartChars) text->resize(kMaxNamePartChars);
}

// Largest comment marker payload written, in bytes of the ANSI code page.
constexpr size_t kMaxCommentBytes = 10000;

// Quality handed to the encoder: Quality when at most 100, else 75.
inline int32_t EffectiveQuality(int32_t quality) { return quality <= 100 ? quality : 75; }

struct SamplingFactors {
  int horizontal;
  int vertical;
};

// Luminance sampling factors of a Sampling code; chroma is always 1x1.
inline SamplingFactors LuminanceSampling(int32_t sampling) {
  if (sampling == 1) return {2, 1};
  if (sampling == 2) return {1, 1};
  return {2, 2};
}

// The size bound in bytes, or 0 when there is none.
inline int64_t SizeBoundBytes(const ConversionParams& p) {
  return p.Limit == 1 ? static_cast<int64_t>(p.LmtVal) * 1024 : 0;
}

// True when a comment marker is written.
inline bool HasCommentToInsert(const ConversionParams& p) { return p.CmtOpt == 1 && !p.CmtStr1.empty(); }

// The long-edge bound in pixels, or 0 when there is none.
inline int32_t LongEdgeBound(const ConversionParams& p) { return p.MaxEdgeOn == 1 ? p.MaxEdge : 0; }

// The box every photo is fitted into (upright under AutoRotate), or 0 x 0 when there is none. With a box
// the scale ScaleNum is not used: the photo is decoded at the smallest N/8 at least twice as large as the fitted
// size and resampled to it; a long-edge bound may still make it smaller (the smaller result is written).
struct FitBox {
  int32_t width = 0;
  int32_t height = 0;
};
inline FitBox FitBoxOf(const ConversionParams& p) {
  return p.FitOn == 1 ? FitBox{p.FitWidth, p.FitHeight} : FitBox{};
}

// True when the decoder must keep the input's Exif and ICC segments.
inline bool NeedsInputMetadata(const ConversionParams& p) {
  return p.AutoRotate == 1 || p.KeepExif == 1 || p.KeepIcc == 1;
}

// The encoders of ConversionParams::Encoder. libjpeg's output is byte-identical to `cjpeg -optimize`;
// jpegli's is smaller at the same look (about a fifth at equal SSIMULACRA2) and takes about twice as long.
constexpr int32_t kEncoderLibjpeg = 0, kEncoderJpegli = 1;
inline bool UsesJpegli(const ConversionParams& p) { return p.Encoder == kEncoderJpegli; }

// True when the naming rule needs the Exif date of each input.
inline bool NeedsExifDate(const ConversionParams& p) { return p.NameSet == 1; }

// The output sub-folder name, or empty when outputs go into the output folder itself.
inline std::wstring OutputSubFolder(const ConversionParams& p) {
  return p.MkDirAdd == 1 ? p.MkDirStr : std::wstring();
}

enum class InputDisposal { kKeep, kRecycle, kDelete };

inline InputDisposal DisposalOf(const ConversionParams& p) {
  if (p.IFileDel == 0) return InputDisposal::kKeep;
  return p.Recycle == 1 ? InputDisposal::kRecycle : InputDisposal::kDelete;
}

}  // namespace qv
