// Where a decoded picture lands in a preview box: shrunk to fit (never enlarged) and centred, with the
// uncovered margins. Pure arithmetic, no Windows: both previews paint with it and the unit tests check it
// natively.
#pragma once

#include <array>
#include <cstdint>

namespace qv {

struct PixelRect {  // left, top inclusive; right, bottom exclusive
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool IsEmpty() const { return right <= left || bottom <= top; }
};

struct FittedImage {
  int32_t x = 0, y = 0;           // top-left corner in the box
  int32_t width = 0, height = 0;  // drawn size, at least 1 by 1
};

// Places an image of imageWidth x imageHeight in a box of boxWidth x boxHeight. An image that fits is
// drawn at its own size; a larger one is scaled by the smaller of the two ratios in 14-bit fixed point
// (32-bit arithmetic, truncating), so the side that limits fills the box exactly and the other side is
// rounded down. Both sides must be positive.
inline FittedImage FitImageInBox(int32_t boxWidth, int32_t boxHeight, int32_t imageWidth, int32_t imageHeight) {
  FittedImage fit;
  if (imageWidth <= boxWidth && imageHeight <= boxHeight) {
    fit.width = imageWidth;
    fit.height = imageHeight;
  } else {
    const int32_t scaleX = (boxWidth * 16384) / imageWidth;
    const int32_t scaleY = (boxHeight * 16384) / imageHeight;
    if (scaleX < scaleY) {
      fit.width = boxWidth;
      fit.height = (scaleX * imageHeight) >> 14;
    } else {
      fit.height = boxHeight;
      fit.width = (scaleY * imageWidth) >> 14;
    }
    if (fit.width < 1) fit.width = 1;
    if (fit.height < 1) fit.height = 1;
  }
  fit.x = fit.width < boxWidth ? (boxWidth - fit.width) / 2 : 0;
  fit.y = fit.height < boxHeight ? (boxHeight - fit.height) / 2 : 0;
  return fit;
}

// The four bands of the box around the image: left, right, top, bottom (the top and bottom bands only
// as wide as the image). Any of them may be empty.
inline std::array<PixelRect, 4> MarginsAround(const FittedImage& fit, int32_t boxWidth, int32_t boxHeight) {
  const int32_t right = fit.x + fit.width, bottom = fit.y + fit.height;
  return {{{0, 0, fit.x, boxHeight},
           {right, 0, boxWidth, boxHeight},
           {fit.x, 0, right, fit.y},
           {fit.x, bottom, right, boxHeight}}};
}

}  // namespace qv
