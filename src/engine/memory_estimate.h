// How much memory converting one file takes, estimated from its header before anything is decoded, so
// that a run converting several files at once can keep them all within one budget. Pure rules; nothing
// here allocates or reads a file but EstimateConversionMemory's header read.
#pragma once

#include <cstdint>
#include <string>

#include "engine/decoder.h"
#include "engine/heif_decoder.h"
#include "engine/params.h"

namespace qv {

// Bytes one conversion under `params` holds at its peak for an input of this layout: the library's
// decode (all coefficients of a multi-scan file), the pixel block at the scale the conversion will use,
// the turned copy when photos are turned upright, the resampler's copy and buffers for a fitted size, the 24-bit rows of a grey image, the in-memory output
// of the size-bounded search, and the encoder's coefficient buffer (optimised tables need the whole
// image). Errs on the high side; never 0.
uint64_t EstimateConversionBytes(const JpegLayout& layout, const ConversionParams& params);

// The same for a HEIF photo: the full-size decode (engine/heif_decoder.h), the resampled copy at the size the
// conversion will use, the size-bounded search's rows and the encoder's coefficients. The picture is upright
// as decoded: no turned copy.
uint64_t EstimateHeifConversionBytes(const HeifLayout& layout, const ConversionParams& params);

// The same for the file at `path` (a JPEG or a HEIF file); a file whose header cannot be read gets the small figure of a file
// that fails at once.
uint64_t EstimateConversionMemory(const std::wstring& path, const ConversionParams& params);

}  // namespace qv
