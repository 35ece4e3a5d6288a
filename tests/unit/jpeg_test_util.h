// Test helpers around JPEG files: writing synthetic images with our encoder or with libjpeg directly,
// and reading back the markers that the tests check.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qv::test {

struct Segment {
  uint8_t marker;  // the byte after 0xFF
  size_t offset;   // of the 0xFF
  size_t length;   // payload length as stored (includes the two length bytes); 0 for SOI/EOI
};

struct JpegInfo {
  bool valid = false;
  std::vector<Segment> segments;  // up to and including the first SOS
  uint8_t sofMarker = 0;          // 0xC0 baseline, 0xC2 progressive, ...
  int precision = 0, width = 0, height = 0;
  struct Component {
    int id, h, v, tq;
  };
  std::vector<Component> components;
  bool hasJfif = false;
  int densityUnit = -1, xDensity = 0, yDensity = 0;
  std::vector<std::string> comments;
  int scanCount = 0;  // SOS markers in the whole file
};

JpegInfo ParseJpeg(const std::vector<unsigned char>& bytes);

// The file from the first marker after SOI that is neither APP0 nor COM, to the end: what remains to
// compare when two encoders may differ only in their JFIF header and comment.
std::vector<unsigned char> WithoutJfifAndComments(const std::vector<unsigned char>& bytes);

// Writes a baseline JPEG of the given size with libjpeg directly. `components` 1, 2, 3 or 4 (CMYK); `pixel(x, y, c)`
// gives sample c of the pixel at (x, y), top row first. Density unit/values go into the JFIF header.
bool WriteTestJpeg(const std::wstring& path, int width, int height, int components,
                   const std::function<uint8_t(int, int, int)>& pixel, int quality = 90,
                   bool progressive = false, int densityUnit = 0, int xDensity = 1, int yDensity = 1);

}  // namespace qv::test
