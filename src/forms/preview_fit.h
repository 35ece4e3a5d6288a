// How the output preview window fits its image to the screen, without windows: the client size, the
// zoom and the centred window place from the work area and the frame and caption metrics, with the
// 32-bit arithmetic the window has always used; and its title "N% / 1,269KB". Portable, so that the unit
// tests check it on every platform.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

struct PreviewMetrics {
  int32_t caption = 0;  // height of a window caption
  int32_t frameX = 0;   // width and height of a dialog frame
  int32_t frameY = 0;
  int32_t workLeft = 0, workTop = 0, workRight = 0, workBottom = 0;  // the desktop work area
  int32_t minWindowWidth = 0;                                        // the smallest width of a window
};

struct PreviewPlacement {
  int32_t clientWidth = 0, clientHeight = 0;    // the image control
  int32_t zoom = 0;                             // per cent
  int32_t x = 0, y = 0, width = 0, height = 0;  // the window
};

// The client area holds the image at its own size when it fits into the work area less the frame and
// caption (zoom 100); otherwise the image is shrunk by the more constraining direction, in ten-thousandths
// plus one. The client is at least the minimum window width less twice the frame height wide.
PreviewPlacement FitOutputPreview(const PreviewMetrics& metrics, int32_t imageWidth, int32_t imageHeight);

// "33% / 1,269KB": the zoom, then the file size in bytes shifted right by 10 with commas between groups
// of three digits.
std::wstring OutputPreviewTitle(int32_t zoom, uint64_t fileBytes);

}  // namespace qv
