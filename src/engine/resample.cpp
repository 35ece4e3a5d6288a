// Separable Lanczos-3 resampling of bottom-up bitmaps. Each output column and row gets its taps and
// weights once; rows are filtered across into a small ring of float rows (only the rows the current
// output row needs), then down into the output. Samples are filtered in linear light: averaging the
// sRGB-encoded values darkens fine detail (a black-and-white pattern would become too dark a grey).
#include "engine/resample.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "engine/decoded_image.h"
#include "engine/orientation.h"

namespace qv {

namespace {

constexpr double kLobes = 3.0;
constexpr double kPi = 3.14159265358979323846;

double Sinc(double x) {
  if (x == 0.0) return 1.0;
  const double a = kPi * x;
  return std::sin(a) / a;
}

double Lanczos3(double x) { return std::fabs(x) < kLobes ? Sinc(x) * Sinc(x / kLobes) : 0.0; }

// The taps of one output position: `count` weights for the source samples from `first` on.
struct Taps {
  int32_t first = 0;
  int32_t count = 0;
  size_t weightAt = 0;  // index of the first weight in Filter::weights
};

struct Filter {
  std::vector<Taps> taps;      // one per output position
  std::vector<float> weights;  // all of them, taps after taps
  int32_t widest = 0;          // the largest count
};

// Weights for mapping `in` samples onto `out` positions, pixel centres aligned. When shrinking, the
// kernel is stretched by the factor so that it also removes what the smaller grid cannot hold. Taps
// beyond the edge are left out and the rest renormalised, so that a flat picture stays exactly flat.
Filter MakeFilter(int32_t in, int32_t out) {
  Filter f;
  const double scale = static_cast<double>(in) / out;
  const double stretch = std::max(1.0, scale);
  const double support = kLobes * stretch;
  f.taps.resize(static_cast<size_t>(out));
  f.weights.reserve(static_cast<size_t>(out) * static_cast<size_t>(2 * support + 2));
  std::vector<double> row;
  for (int32_t i = 0; i < out; ++i) {
    const double centre = (i + 0.5) * scale;
    const int32_t first = std::max<int32_t>(0, static_cast<int32_t>(std::floor(centre - support)));
    const int32_t last = std::min<int32_t>(in - 1, static_cast<int32_t>(std::ceil(centre + support)));
    row.clear();
    double sum = 0.0;
    for (int32_t s = first; s <= last; ++s) {
      const double w = Lanczos3((s + 0.5 - centre) / stretch);
      row.push_back(w);
      sum += w;
    }
    // Trim taps of weight 0 at both ends (the kernel's zeros), keeping at least one.
    size_t lo = 0, hi = row.size();
    while (hi - lo > 1 && row[lo] == 0.0) ++lo;
    while (hi - lo > 1 && row[hi - 1] == 0.0) --hi;
    Taps& t = f.taps[static_cast<size_t>(i)];
    t.first = first + static_cast<int32_t>(lo);
    t.count = static_cast<int32_t>(hi - lo);
    t.weightAt = f.weights.size();
    if (sum == 0.0) sum = 1.0;
    for (size_t k = lo; k < hi; ++k) f.weights.push_back(static_cast<float>(row[k] / sum));
    f.widest = std::max(f.widest, t.count);
  }
  return f;
}

// The sRGB transfer curve as two tables: 8-bit code to linear light, and linear light in kSteps steps
// back to the nearest 8-bit code. The steps are fine enough that the darkest codes (12.92 times steeper
// than the rest) keep apart.
constexpr int kSteps = 1 << 14;

struct TransferTables {
  float toLinear[256];
  unsigned char fromLinear[kSteps + 1];
};

TransferTables MakeSrgbTables() {
  TransferTables t;
  for (int v = 0; v < 256; ++v) {
    const double c = v / 255.0;
    t.toLinear[v] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  for (int i = 0; i <= kSteps; ++i) {
    const double l = static_cast<double>(i) / kSteps;
    const double c = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055;
    t.fromLinear[i] = static_cast<unsigned char>(std::lround(std::clamp(c, 0.0, 1.0) * 255.0));
  }
  return t;
}

TransferTables MakeIdentityTables() {
  TransferTables t;
  for (int v = 0; v < 256; ++v) t.toLinear[v] = static_cast<float>(v / 255.0);
  for (int i = 0; i <= kSteps; ++i)
    t.fromLinear[i] = static_cast<unsigned char>(std::lround(static_cast<double>(i) * 255.0 / kSteps));
  return t;
}

const TransferTables& TablesFor(ResampleLight light) {
  static const TransferTables srgb = MakeSrgbTables();
  static const TransferTables identity = MakeIdentityTables();
  return light == ResampleLight::kLinearLight ? srgb : identity;
}

unsigned char Encode(const TransferTables& t, float linear) {
  const float step = linear * kSteps + 0.5f;
  if (!(step > 0.0f)) return t.fromLinear[0];  // also NaN
  if (step >= static_cast<float>(kSteps)) return t.fromLinear[kSteps];
  return t.fromLinear[static_cast<int>(step)];
}

// Filters one source row across: bytes to linear light, then the taps of every output column.
void FilterAcross(const TransferTables& t, const unsigned char* in, int32_t width, int channels, const Filter& f,
                  std::vector<float>& linear, float* out) {
  const size_t samples = static_cast<size_t>(width) * static_cast<size_t>(channels);
  for (size_t i = 0; i < samples; ++i) linear[i] = t.toLinear[in[i]];
  for (const Taps& taps : f.taps) {
    const float* w = f.weights.data() + taps.weightAt;
    const float* src = linear.data() + static_cast<size_t>(taps.first) * static_cast<size_t>(channels);
    if (channels == 1) {
      float s = 0.0f;
      for (int32_t k = 0; k < taps.count; ++k) s += w[k] * src[k];
      *out++ = s;
    } else {
      float b = 0.0f, g = 0.0f, r = 0.0f;
      for (int32_t k = 0; k < taps.count; ++k, src += 3) {
        b += w[k] * src[0];
        g += w[k] * src[1];
        r += w[k] * src[2];
      }
      *out++ = b;
      *out++ = g;
      *out++ = r;
    }
  }
}

bool ValidArguments(const unsigned char* source, int32_t width, int32_t height, int bitsPerPixel,
                    const PictureSize& target) {
  return source != nullptr && width >= 1 && height >= 1 && (bitsPerPixel == 8 || bitsPerPixel == 24) &&
         target.width >= 1 && target.height >= 1 && target.width <= kMaxDecodedSide &&
         target.height <= kMaxDecodedSide;
}

// Rows of filtered samples kept at once: the most taps of one output row and two to spare (a window may
// end a row before the one of the row above), at most the source's rows. Without the filter at hand,
// the most its windows can span.
int64_t RingRows(int64_t height, int32_t widest) { return std::min<int64_t>(height, widest + 2); }
int64_t MostTaps(int64_t in, int32_t out) {
  return static_cast<int64_t>(2 * kLobes * std::max(1.0, static_cast<double>(in) / out)) + 3;
}

}  // namespace

PictureSize FitIntoBox(int64_t width, int64_t height, int32_t boxWidth, int32_t boxHeight) {
  if (width < 1 || height < 1 || boxWidth < 1 || boxHeight < 1) return {};
  if (width <= boxWidth && height <= boxHeight)
    return {static_cast<int32_t>(width), static_cast<int32_t>(height)};
  // The side whose ratio to the box is the tighter one takes the box's length; the other follows,
  // rounded to the nearest pixel (compared as width * boxHeight against height * boxWidth, exactly).
  if (width * boxHeight >= height * boxWidth) {
    const int64_t h = (2 * height * boxWidth + width) / (2 * width);
    return {boxWidth, static_cast<int32_t>(std::clamp<int64_t>(h, 1, boxHeight))};
  }
  const int64_t w = (2 * width * boxHeight + height) / (2 * height);
  return {static_cast<int32_t>(std::clamp<int64_t>(w, 1, boxWidth)), boxHeight};
}

int32_t ScaleNumForTarget(int64_t width, int64_t height, const PictureSize& target) {
  for (int32_t n = 1; n < 8; ++n)
    if ((width * n + 7) / 8 >= target.width && (height * n + 7) / 8 >= target.height) return n;
  return 8;
}

ScalePlan PlanScale(int64_t width, int64_t height, int32_t chosenNum, int32_t longEdgeBound, int32_t boxWidth,
                    int32_t boxHeight) {
  ScalePlan plan;
  if (boxWidth < 1 || boxHeight < 1 || width < 1 || height < 1) {
    plan.scaleNum = ScaleNumForLongEdge(width, height, chosenNum, longEdgeBound);
    return plan;
  }
  const PictureSize fitted = FitIntoBox(width, height, boxWidth, boxHeight);
  if (longEdgeBound > 0) {
    const int32_t n = ScaleNumForLongEdge(width, height, 8, longEdgeBound);
    const int64_t edge = (std::max(width, height) * n + 7) / 8;
    if (edge <= std::max(fitted.width, fitted.height)) {
      plan.scaleNum = n;
      return plan;
    }
  }
  // Decoded at twice the target at least: the DCT-domain shrink to just above the target loses detail
  // that the filter keeps (measured against a Lanczos reference of the full-size photo: 1-13 dB less).
  plan.scaleNum = ScaleNumForTarget(width, height, {2 * fitted.width, 2 * fitted.height});
  const PictureSize decoded{static_cast<int32_t>((width * plan.scaleNum + 7) / 8),
                            static_cast<int32_t>((height * plan.scaleNum + 7) / 8)};
  if (!(decoded == fitted)) plan.resampleTo = fitted;
  return plan;
}

PixelBlock ResamplePixelsIn(ResampleLight light, const unsigned char* source, int32_t width, int32_t height,
                            int bitsPerPixel, const PictureSize& target) {
  if (!ValidArguments(source, width, height, bitsPerPixel, target)) return PixelBlock();
  const int channels = bitsPerPixel / 8;
  const int64_t sourceStride = RowStride(width, bitsPerPixel);
  const int64_t targetStride = RowStride(target.width, bitsPerPixel);
  PixelBlock out = PixelBlock::Allocate(static_cast<size_t>(targetStride * target.height));
  if (!out) return out;
  try {
    const TransferTables& t = TablesFor(light);
    const Filter across = MakeFilter(width, target.width);
    const Filter down = MakeFilter(height, target.height);
    const size_t rowSamples = static_cast<size_t>(target.width) * static_cast<size_t>(channels);
    const int64_t ringRows = RingRows(height, down.widest);
    std::vector<float> ring(static_cast<size_t>(ringRows) * rowSamples);
    std::vector<float> linear(static_cast<size_t>(width) * static_cast<size_t>(channels));
    std::vector<float> sum(rowSamples);
    // Rows are counted from the top; bitmap row r from the top starts (rows - 1 - r) strides in.
    int32_t filtered = 0;  // source rows filtered across so far
    for (int32_t y = 0; y < target.height; ++y) {
      const Taps& taps = down.taps[static_cast<size_t>(y)];
      for (; filtered < taps.first + taps.count; ++filtered) {
        const unsigned char* in = source + (height - 1 - filtered) * sourceStride;
        FilterAcross(t, in, width, channels, across, linear, &ring[static_cast<size_t>(filtered % ringRows) * rowSamples]);
      }
      std::fill(sum.begin(), sum.end(), 0.0f);
      const float* w = down.weights.data() + taps.weightAt;
      for (int32_t k = 0; k < taps.count; ++k) {
        const float* row = &ring[static_cast<size_t>((taps.first + k) % ringRows) * rowSamples];
        const float wk = w[k];
        for (size_t i = 0; i < rowSamples; ++i) sum[i] += wk * row[i];
      }
      unsigned char* target8 = out.Data() + (target.height - 1 - y) * targetStride;
      for (size_t i = 0; i < rowSamples; ++i) target8[i] = Encode(t, sum[i]);
    }
  } catch (const std::bad_alloc&) {
    return PixelBlock();
  }
  return out;
}

PixelBlock ResamplePixels(const unsigned char* source, int32_t width, int32_t height, int bitsPerPixel,
                          const PictureSize& target) {
  return ResamplePixelsIn(ResampleLight::kLinearLight, source, width, height, bitsPerPixel, target);
}

uint64_t ResampleWorkingBytes(int64_t width, int64_t height, int bitsPerPixel, const PictureSize& target) {
  if (width < 1 || height < 1 || target.width < 1 || target.height < 1) return 0;
  const uint64_t channels = static_cast<uint64_t>(std::max(1, bitsPerPixel / 8));
  const uint64_t block = static_cast<uint64_t>(RowStride(target.width, bitsPerPixel)) * static_cast<uint64_t>(target.height);
  const uint64_t rowFloats = static_cast<uint64_t>(target.width) * channels;
  const int64_t mostDown = MostTaps(height, target.height);
  const uint64_t ring = static_cast<uint64_t>(RingRows(height, static_cast<int32_t>(mostDown))) * rowFloats * sizeof(float);
  const uint64_t rows = (static_cast<uint64_t>(width) * channels + rowFloats) * sizeof(float);
  // Taps and weights of both directions: a record and the widest window of weights per position.
  const uint64_t weights =
      static_cast<uint64_t>(target.width) * (sizeof(Taps) + sizeof(float) * static_cast<uint64_t>(MostTaps(width, target.width))) +
      static_cast<uint64_t>(target.height) * (sizeof(Taps) + sizeof(float) * static_cast<uint64_t>(mostDown));
  return block + ring + rows + weights;
}

}  // namespace qv
