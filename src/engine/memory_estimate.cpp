// Memory estimates of one conversion, from the header's sizes and sampling and the parameters.
#include "engine/memory_estimate.h"

#include <algorithm>

#include "engine/decoded_image.h"
#include "engine/heif_decoder.h"
#include "engine/orientation.h"
#include "engine/resample.h"
#include "platform/files.h"

namespace qv {

namespace {

constexpr uint64_t kLibraryOverhead = 1u << 20;  // tables, pools and row buffers of one library object
constexpr uint64_t kCoefficientBlockBytes = 64 * 2;

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// The library's whole-image coefficient buffer: every 8x8 block of every component.
uint64_t CoefficientBytes(const JpegLayout& l) {
  uint64_t bytes = 0;
  for (int c = 0; c < l.components; ++c) {
    const uint64_t w = CeilDiv(static_cast<uint64_t>(l.width) * static_cast<uint64_t>(l.h[c]),
                               static_cast<uint64_t>(std::max(1, l.maxH)));
    const uint64_t h = CeilDiv(static_cast<uint64_t>(l.height) * static_cast<uint64_t>(l.v[c]),
                               static_cast<uint64_t>(std::max(1, l.maxV)));
    // Rounded up to whole MCUs of the largest factors.
    bytes += (CeilDiv(w, 8) + static_cast<uint64_t>(l.maxH)) * (CeilDiv(h, 8) + static_cast<uint64_t>(l.maxV)) *
             kCoefficientBlockBytes;
  }
  return bytes;
}

}  // namespace

uint64_t EstimateConversionBytes(const JpegLayout& layout, const ConversionParams& params) {
  if (layout.width <= 0 || layout.height <= 0 || layout.components <= 0) return kLibraryOverhead;
  const int32_t chosen = std::clamp<int32_t>(params.ScaleNum, 1, 16);
  // A fitted photo: the larger plan of the box either way round (its Exif orientation is not read here).
  const FitBox box = FitBoxOf(params);
  ScalePlan plan = PlanScale(layout.width, layout.height, chosen, LongEdgeBound(params), box.width, box.height);
  if (box.width > 0 && params.AutoRotate == 1) {
    const ScalePlan turned = PlanScale(layout.width, layout.height, chosen, LongEdgeBound(params), box.height, box.width);
    if (turned.scaleNum > plan.scaleNum) plan = turned;
  }
  const int32_t scale = std::max(1, plan.scaleNum);
  const uint64_t outW = CeilDiv(static_cast<uint64_t>(layout.width) * static_cast<uint64_t>(scale), 8);
  const uint64_t outH = CeilDiv(static_cast<uint64_t>(layout.height) * static_cast<uint64_t>(scale), 8);
  const bool grey = layout.components == 1;
  const uint64_t rows24 = static_cast<uint64_t>(RowStride(static_cast<int64_t>(outW), 24)) * outH;
  const uint64_t block = grey ? static_cast<uint64_t>(RowStride(static_cast<int64_t>(outW), 8)) * outH : rows24;

  uint64_t bytes = 2 * kLibraryOverhead + block;
  if (layout.multiScan) bytes += CoefficientBytes(layout);
  if (params.AutoRotate == 1) bytes += block;
  // The resampled copy and the resampler's rows and weights, while the decoded block is still held.
  if (plan.resampleTo.width > 0)
    bytes += ResampleWorkingBytes(static_cast<int64_t>(outW), static_cast<int64_t>(outH), grey ? 8 : 24, plan.resampleTo);
  if (grey) bytes += rows24;
  if (params.Limit == 1) bytes += rows24;
  // Output coefficients per pixel: two bytes for each of the 64 in a block, luma in full, chroma at the
  // sampling chosen (4:2:0 halves both ways, 4:2:2 one way).
  const SamplingFactors f = LuminanceSampling(params.Sampling);
  const uint64_t pixels = outW * outH;
  bytes += grey ? 2 * pixels : 2 * pixels + 4 * pixels / static_cast<uint64_t>(f.horizontal * f.vertical);
  return bytes;
}

uint64_t EstimateHeifConversionBytes(const HeifLayout& layout, const ConversionParams& params) {
  if (layout.width <= 0 || layout.height <= 0) return kLibraryOverhead;
  // Decoded at full size and resampled to the size a JPEG would get: the larger of the two plans.
  const int32_t chosen = std::clamp<int32_t>(params.ScaleNum, 1, 16);
  const FitBox box = FitBoxOf(params);
  ScalePlan plan = PlanScale(layout.width, layout.height, chosen, LongEdgeBound(params), box.width, box.height);
  uint64_t outW = CeilDiv(static_cast<uint64_t>(layout.width) * static_cast<uint64_t>(std::max(1, plan.scaleNum)), 8);
  uint64_t outH = CeilDiv(static_cast<uint64_t>(layout.height) * static_cast<uint64_t>(std::max(1, plan.scaleNum)), 8);
  if (plan.resampleTo.width > 0) {
    outW = static_cast<uint64_t>(plan.resampleTo.width);
    outH = static_cast<uint64_t>(plan.resampleTo.height);
  }
  const uint64_t block = static_cast<uint64_t>(RowStride(static_cast<int64_t>(outW), 24)) * outH;
  uint64_t bytes = HeifDecodeBytes(layout);
  if (outW != static_cast<uint64_t>(layout.width) || outH != static_cast<uint64_t>(layout.height))
    bytes += ResampleWorkingBytes(layout.width, layout.height, 24,
                                  PictureSize{static_cast<int32_t>(outW), static_cast<int32_t>(outH)});
  if (params.Limit == 1) bytes += block;
  const SamplingFactors f = LuminanceSampling(params.Sampling);
  const uint64_t pixels = outW * outH;
  bytes += 2 * pixels + 4 * pixels / static_cast<uint64_t>(f.horizontal * f.vertical);
  return bytes;
}

uint64_t EstimateConversionMemory(const std::wstring& path, const ConversionParams& params) {
  MappedInputFile file;
  if (MapInputFile(path, file) == 0) return kLibraryOverhead;
  JpegLayout layout;
  if (ReadJpegLayout(file.view, file.size, layout)) return EstimateConversionBytes(layout, params);
  HeifLayout heif;
  if (IsHeifBytes(file.view, file.size) && ReadHeifLayout(file.view, file.size, heif))
    return EstimateHeifConversionBytes(heif, params);
  return kLibraryOverhead;
}

}  // namespace qv
