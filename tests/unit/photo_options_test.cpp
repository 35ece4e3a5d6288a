// What an output keeps of its input beyond the pixels, and the per-file scale under a long-edge bound:
// the scale rule, turning by the Exif orientation (checked against the library's lossless transforms),
// the colour profile byte for byte, the modification time, and the defaults writing what they always did.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "batch/run.h"
#include "engine/conversion.h"
#include "engine/exif_editor.h"
#include "engine/orientation.h"
#include "jpeg_test_util.h"
#include "platform/files.h"
#include "recording_observer.h"
#include "conversion_fixture.h"
#include "test_support.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

// ---- building inputs --------------------------------------------------------------------------------

// An Exif APP1 segment (marker and length included) holding only IFD0 with the orientation.
std::vector<unsigned char> OrientationSegment(int orientation, bool bigEndian) {
  std::vector<unsigned char> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0,
                                     static_cast<unsigned char>(orientation), 0, 0, 0, 0, 0, 0, 0};
  if (bigEndian)
    tiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1,
            0, static_cast<unsigned char>(orientation), 0, 0, 0, 0, 0, 0};
  std::vector<unsigned char> segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  const size_t length = segment.size() - 2;
  segment[2] = static_cast<unsigned char>(length >> 8);
  segment[3] = static_cast<unsigned char>(length & 0xFF);
  return segment;
}

// `jpeg` with `segments` inserted right after its start-of-image marker.
std::vector<unsigned char> WithSegments(const std::vector<unsigned char>& jpeg, const std::vector<unsigned char>& segments) {
  std::vector<unsigned char> out;
  out.reserve(jpeg.size() + segments.size());
  out.push_back(jpeg.at(0));
  out.push_back(jpeg.at(1));
  out.insert(out.end(), segments.begin(), segments.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

// An ICC profile of `bytes` bytes split into APP2 chunks as the format prescribes (at most 65519 each).
std::vector<unsigned char> IccSegments(const std::vector<unsigned char>& profile) {
  const size_t chunk = 65519;
  const size_t count = (profile.size() + chunk - 1) / chunk;
  std::vector<unsigned char> out;
  for (size_t i = 0; i < count; ++i) {
    const size_t begin = i * chunk, size = std::min(chunk, profile.size() - begin);
    const size_t length = 2 + 14 + size;
    const unsigned char head[] = {0xFF, 0xE2, static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length),
                                  'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0,
                                  static_cast<unsigned char>(i + 1), static_cast<unsigned char>(count)};
    out.insert(out.end(), head, head + sizeof head);
    out.insert(out.end(), profile.begin() + static_cast<std::ptrdiff_t>(begin),
               profile.begin() + static_cast<std::ptrdiff_t>(begin + size));
  }
  return out;
}

// ---- reading outputs --------------------------------------------------------------------------------

struct Picture {
  int width = 0, height = 0, bits = 0;
  std::vector<unsigned char> pixels;  // top row first, no padding
  std::vector<unsigned char> exif, icc;
  int Sample(int x, int y, int c) const {
    const int bytes = bits / 8;
    return pixels[(static_cast<size_t>(y) * width + x) * bytes + (bytes == 1 ? 0 : c)];
  }
};

Picture Decode(const std::wstring& path, int scaleNum = 0) {
  DecoderState state;
  state.scaleNum = scaleNum;
  state.keepMetadata = true;
  Picture p;
  const DecodedImage* image = DecodeJpegFile(state, path);
  UnmapInputFile(state.file);
  if (image == nullptr) return p;
  PixelBlock block(image->pixels, image->pixelBytes);
  p.width = image->header.width;
  p.height = image->header.height;
  p.bits = image->header.bitCount;
  const size_t stride = static_cast<size_t>(RowStride(p.width, p.bits)), row = static_cast<size_t>(p.width) * (p.bits / 8);
  for (int y = 0; y < p.height; ++y) {
    const unsigned char* in = block.Data() + (static_cast<size_t>(p.height) - 1 - y) * stride;
    p.pixels.insert(p.pixels.end(), in, in + row);
  }
  p.exif = state.exif;
  p.icc = state.icc;
  return p;
}

class PhotoOptionsTest : public test::ConversionFixture {
 protected:
  // Converts `input` into scratch file `name` under the test's parameters.
  std::wstring Convert(const std::wstring& input, const std::string& name) {
    std::wstring tempPath;
    EXPECT_TRUE(ConvertFileToTemp(ctx, input, tempPath)) << fs::path(input);
    if (tempPath.empty()) return {};
    const std::wstring out = scratch.file(name);
    fs::rename(fs::path(tempPath), fs::path(out));
    return out;
  }

  ScratchDir scratch;
};

// ---- the long-edge scale rule -----------------------------------------------------------------------

TEST(LongEdgeScale, PicksTheLargestScaleWithinTheBound) {
  struct Case {
    int64_t width, height;
    int32_t chosen, bound, expected;
  } cases[] = {
      {4000, 3000, 8, 1600, 3},     // 1500 x 1125
      {6000, 4000, 8, 1600, 2},     // 1500 x 1000
      {3000, 4000, 8, 1600, 3},     // the long edge may be the height
      {1200, 900, 8, 1600, 8},      // already within: the chosen scale stays
      {1200, 900, 16, 1600, 10},    // enlarging too stops at the bound (1500)
      {4000, 3000, 2, 1600, 2},     // the chosen scale is the upper bound
      {100000, 10, 8, 1600, 1},     // nothing fits: the smallest scale
      {4000, 3000, 8, 0, 8},        // no bound
      {1601, 10, 8, 1601, 8},       // exactly at the bound
      {1602, 10, 8, 1601, 7},       // rounding up: 1602 * 7 / 8 = 1401.75 -> 1402
      {1601, 10, 8, 1400, 6},       // 7/8 gives 1400.875 -> 1401, one too many
      {4000, 3000, -1, 1600, 1},    // a chosen scale below 1 acts as 1
      {4000, 3000, 0, 0, 1},        // also without a bound
      {13, 13, 1, 1, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScaleNumForLongEdge(c.width, c.height, c.chosen, c.bound), c.expected)
        << c.width << "x" << c.height << " at " << c.chosen << "/8 under " << c.bound;
}

TEST_F(PhotoOptionsTest, MixedFolderUnderALongEdgeBoundAndTurnedPhotos) {
  auto flat = [](int, int, int c) { return static_cast<uint8_t>(60 + 40 * c); };
  struct Input {
    const char* name;
    int width, height, orientation;
    int expectedWidth, expectedHeight;
  } inputs[] = {
      {"a.jpg", 4000, 3000, 1, 1500, 1125},
      {"b.jpg", 6000, 4000, 1, 1500, 1000},
      {"c.jpg", 4000, 3000, 6, 1125, 1500},  // turned upright: the long edge is the height
      {"d.jpg", 1200, 800, 1, 1200, 800},    // within the bound: the chosen scale
  };
  ScratchDir in;
  for (const Input& i : inputs) {
    ASSERT_TRUE(test::WriteTestJpeg(in.file("plain.jpg"), i.width, i.height, 3, flat, 30, false, 1, 72, 300));
    std::vector<unsigned char> bytes = test::ReadAll(in.path() / "plain.jpg");
    if (i.orientation != 1) bytes = WithSegments(bytes, OrientationSegment(i.orientation, false));
    test::WriteAll(in.path() / i.name, bytes);
  }
  fs::remove(in.path() / "plain.jpg");

  RunRequest request;
  for (const Input& i : inputs) request.inputs.push_back({in.file(i.name), fs::path(i.name).wstring()});
  request.outputFolder = scratch.path().wstring();
  request.tempFolder = temp.folder();
  request.params.ScaleNum = 8;
  request.params.MaxEdgeOn = 1;
  request.params.MaxEdge = 1600;
  request.params.AutoRotate = 1;
  request.jobs = 2;
  test::RecordingObserver observer;
  ExecuteRun(request, observer);
  ASSERT_EQ(observer.outcomes.size(), std::size(inputs));
  for (size_t k = 0; k < std::size(inputs); ++k) {
    const FileOutcome& o = observer.outcomes[k];
    EXPECT_EQ(o.width, inputs[k].expectedWidth) << inputs[k].name;
    EXPECT_EQ(o.height, inputs[k].expectedHeight) << inputs[k].name;
    EXPECT_EQ(o.photo.rotated, inputs[k].orientation != 1) << inputs[k].name;
    const test::JpegInfo info = test::ParseJpeg(test::ReadAll(fs::path(o.outputPath)));
    EXPECT_EQ(info.width, inputs[k].expectedWidth);
    EXPECT_EQ(info.height, inputs[k].expectedHeight);
    // 72 x 300 dpi: a quarter turn swaps the densities with the sides.
    EXPECT_EQ(info.xDensity > info.yDensity, inputs[k].orientation == 6) << inputs[k].name;
  }
}

// ---- turning upright ---------------------------------------------------------------------------------

TEST(OrientPixels, TurnsEveryOrientationOfAnOddGreyPicture) {
  // 3 x 2, rows padded to 4 bytes, bottom-up: top row a b c, bottom row d e f.
  const unsigned char source[] = {'d', 'e', 'f', 0, 'a', 'b', 'c', 0};
  const char* expected[] = {nullptr, nullptr, "cba/fed", "fed/cba", "def/abc", "ad/be/cf", "da/eb/fc", "fc/eb/da",
                            "cf/be/ad"};
  for (int o = 2; o <= 8; ++o) {
    PixelBlock block = OrientPixels(source, 3, 2, 8, o);
    ASSERT_TRUE(block) << o;
    const int width = SwapsSides(o) ? 2 : 3, height = SwapsSides(o) ? 3 : 2;
    const size_t stride = static_cast<size_t>(RowStride(width, 8));
    ASSERT_EQ(block.Size(), stride * height);
    std::string rows;
    for (int y = 0; y < height; ++y) {
      if (y > 0) rows += '/';
      const unsigned char* row = block.Data() + (height - 1 - y) * stride;
      rows.append(reinterpret_cast<const char*>(row), static_cast<size_t>(width));
    }
    EXPECT_EQ(rows, expected[o]) << "orientation " << o;
  }
  EXPECT_FALSE(OrientPixels(source, 3, 2, 8, 1));
  EXPECT_FALSE(OrientPixels(source, 3, 2, 8, 9));
}

#ifndef _WIN32
// A picture whose every turn and mirror looks different: red grows to the right, green downwards, and
// the top-left quarter of the first quarter is blue.
uint8_t MarkedCorner(int x, int y, int c, int width, int height) {
  if (c == 0) return static_cast<uint8_t>(x * 255 / std::max(width - 1, 1));
  if (c == 1) return static_cast<uint8_t>(y * 255 / std::max(height - 1, 1));
  return (x < width / 4 && y < height / 4) ? 230 : 20;
}

// The transform that undoes each orientation, as jpegtran names it.
const char* UndoingTransform(int orientation) {
  static const char* const kTransforms[] = {"", "", "-flip horizontal", "-rotate 180", "-flip vertical",
                                            "-transpose", "-rotate 90", "-transverse", "-rotate 270"};
  return kTransforms[orientation];
}

bool Jpegtran(const std::string& arguments, const fs::path& in, const fs::path& out) {
  const std::string command = "jpegtran " + arguments + " -outfile '" + out.string() + "' '" + in.string() + "'";
  return std::system(command.c_str()) == 0;
}

// The reference is the library's lossless transform of the picture's whole-MCU part (its top-left
// (W - W % 16) x (H - H % 16) pixels), which jpegtran turns perfectly. Our output holds that part at an
// offset: the columns or rows beyond it come first where the turn moves them to the left or the top.
TEST_F(PhotoOptionsTest, EveryOrientationComesOutAsTheLosslessTransformShowsIt) {
  params.AutoRotate = 1;
  params.Quality = 95;
  params.Sampling = 2;
  struct Size {
    int width, height;
  } sizes[] = {{128, 96}, {245, 181}};
  for (const Size& size : sizes) {
    const fs::path plain = scratch.path() / "plain.jpg", whole = scratch.path() / "whole.jpg";
    ASSERT_TRUE(test::WriteTestJpeg(
        plain.wstring(), size.width, size.height, 3,
        [&](int x, int y, int c) { return MarkedCorner(x, y, c, size.width, size.height); }, 95));
    const int cutW = size.width - size.width % 16, cutH = size.height - size.height % 16;
    ASSERT_TRUE(Jpegtran("-crop " + std::to_string(cutW) + "x" + std::to_string(cutH) + "+0+0", plain, whole));
    const std::vector<unsigned char> plainBytes = test::ReadAll(plain);
    const int restW = size.width - cutW, restH = size.height - cutH;
    for (int o = 1; o <= 8; ++o) {
      const fs::path tagged = scratch.path() / ("o" + std::to_string(o) + ".jpg");
      const fs::path upright = scratch.path() / ("u" + std::to_string(o) + ".jpg");
      test::WriteAll(tagged, WithSegments(plainBytes, OrientationSegment(o, o % 2 == 0)));
      ASSERT_TRUE(Jpegtran(std::string("-perfect ") + UndoingTransform(o), whole, upright)) << o;
      const int offsetX = (o == 2 || o == 3) ? restW : (o == 6 || o == 7) ? restH : 0;
      const int offsetY = (o == 3 || o == 4) ? restH : (o == 7 || o == 8) ? restW : 0;
      for (int scale : {1, 4, 8, 16}) {
        params.ScaleNum = scale;
        const Picture ours = Decode(Convert(tagged.wstring(), "out.jpg"));
        const Picture theirs = Decode(upright.wstring(), scale);
        const std::string what = std::to_string(size.width) + "x" + std::to_string(size.height) + " orientation " +
                                 std::to_string(o) + " at " + std::to_string(scale) + "/8";
        const int scaledW = (size.width * scale + 7) / 8, scaledH = (size.height * scale + 7) / 8;
        ASSERT_EQ(ours.width, SwapsSides(o) ? scaledH : scaledW) << what;
        ASSERT_EQ(ours.height, SwapsSides(o) ? scaledW : scaledH) << what;
        const int dx = (offsetX * scale + 4) / 8, dy = (offsetY * scale + 4) / 8;
        const int margin = restW + restH == 0 ? 0 : 1;  // a fraction of a pixel of shift at the cut
        long total = 0, count = 0, worst = 0;
        for (int y = margin; y < theirs.height - margin && y + dy < ours.height; ++y)
          for (int x = margin; x < theirs.width - margin && x + dx < ours.width; ++x)
            for (int c = 0; c < 3; ++c) {
              const long d = std::labs(ours.Sample(x + dx, y + dy, c) - theirs.Sample(x, y, c));
              total += d;
              worst = std::max(worst, d);
              ++count;
            }
        ASSERT_GT(count, 0) << what;
        EXPECT_LE(total / static_cast<double>(count), 4.0) << what;
        if (margin == 0) {
          EXPECT_LE(worst, 48) << what;
        }
      }
    }
  }
}
#endif

// ---- kept colour profile and file time --------------------------------------------------------------

TEST_F(PhotoOptionsTest, ColourProfileIsKeptByteForByteAcrossChunks) {
  const std::wstring plain = scratch.file("plain.jpg");
  ASSERT_TRUE(test::WriteTestJpeg(plain, 40, 30, 3, [](int x, int y, int c) { return static_cast<uint8_t>(x * y + c); }));
  for (size_t bytes : {size_t{560}, size_t{65519}, size_t{150001}}) {
    std::vector<unsigned char> profile(bytes);
    for (size_t i = 0; i < bytes; ++i) profile[i] = static_cast<unsigned char>(i * 7 + i / 251);
    std::memcpy(profile.data() + 16, "RGB ", 4);
    test::WriteAll(scratch.path() / "icc.jpg", WithSegments(test::ReadAll(fs::path(plain)), IccSegments(profile)));
    params.KeepIcc = 0;
    EXPECT_TRUE(Decode(Convert(scratch.file("icc.jpg"), "none.jpg")).icc.empty());
    params.KeepIcc = 1;
    const std::wstring out = Convert(scratch.file("icc.jpg"), "kept.jpg");
    EXPECT_TRUE(ctx.photo.iccKept);
    EXPECT_EQ(Decode(out).icc, profile) << bytes << " bytes";
  }
  // The corpus photo with a real profile.
  EXPECT_EQ(Decode(Convert(test::DataFile("s041.jpg"), "s041.jpg")).icc, Decode(test::DataFile("s041.jpg")).icc);
}

// The output is YCbCr or grey whatever the input was: a profile of other data would misdescribe it.
TEST_F(PhotoOptionsTest, ColourProfileIsKeptOnlyWhereItDescribesTheOutput) {
  params.KeepIcc = 1;
  const struct {
    int components;  // of the input: grey, RGB, CMYK
    const char* space;
    bool kept;
  } cases[] = {{3, "RGB ", true}, {1, "GRAY", true}, {4, "CMYK", false}, {1, "RGB ", false}, {3, "GRAY", false}};
  for (const auto& c : cases) {
    const std::wstring plain = scratch.file("plain.jpg");
    ASSERT_TRUE(test::WriteTestJpeg(plain, 24, 16, c.components, [](int x, int, int k) { return uint8_t(x * 9 + k); }));
    std::vector<unsigned char> profile(128 + 16, 0);
    std::memcpy(profile.data() + 16, c.space, 4);
    test::WriteAll(scratch.path() / "in.jpg", WithSegments(test::ReadAll(fs::path(plain)), IccSegments(profile)));
    const Picture out = Decode(Convert(scratch.file("in.jpg"), "out.jpg"));
    EXPECT_EQ(ctx.photo.iccKept, c.kept) << c.space << c.components;
    EXPECT_EQ(ctx.photo.iccDropped, c.kept ? IccDropReason::kNone : IccDropReason::kColourSpaceMismatch) << c.space;
    EXPECT_EQ(out.icc, c.kept ? profile : std::vector<unsigned char>{}) << c.space << c.components;
  }
}

TEST_F(PhotoOptionsTest, OutputGetsTheInputsModificationTimeOnlyWhenAsked) {
  fs::copy_file(test::DataDir() / "s002.jpg", scratch.path() / "in.jpg");
  const fs::path in = scratch.path() / "in.jpg";
  // Far from now, so that an output written now cannot match by chance; read back, as the file system
  // keeps it (the Windows runtime sets whole seconds only).
  fs::last_write_time(in, fs::last_write_time(in) - std::chrono::hours(24 * 400) + std::chrono::microseconds(1234567));
  const fs::file_time_type then = fs::last_write_time(in);
  for (uint8_t keep : {uint8_t{0}, uint8_t{1}}) {
    ScratchDir out;
    RunRequest request;
    request.inputs = {{scratch.file("in.jpg"), L"in.jpg"}};
    request.outputFolder = out.path().wstring();
    request.tempFolder = temp.folder();
    request.params.KeepTime = keep;
    test::RecordingObserver observer;
    ExecuteRun(request, observer);
    ASSERT_EQ(observer.outcomes.size(), 1u);
    EXPECT_EQ(observer.outcomes[0].timeKept, keep == 1);
    EXPECT_EQ(fs::last_write_time(out.path() / "in.jpg") == then, keep == 1);
  }
}

// A kept Exif block describes the output: turned upright, its orientation says 1 (else viewers turn the
// photo a second time); not turned, the orientation stays for viewers to apply.
TEST_F(PhotoOptionsTest, KeptExifOrientationFollowsTheTurn) {
  params.KeepExif = 1;
  for (const uint8_t turn : {uint8_t{0}, uint8_t{1}}) {
    params.AutoRotate = turn;
    const Picture out = Decode(Convert(test::DataFile("s041.jpg"), "out.jpg"));  // 308 x 231, orientation 6
    ASSERT_FALSE(out.exif.empty()) << int(turn);
    EXPECT_EQ(ReadExifOrientation(out.exif.data(), out.exif.size()), turn ? 1 : 6);
    EXPECT_EQ(out.width, turn ? 29 : 39);
    EXPECT_EQ(ctx.photo.rotated, turn == 1);
  }
}

// ---- the defaults ------------------------------------------------------------------------------------

TEST_F(PhotoOptionsTest, DefaultsCarryNothingOfTheInputAndTurnNothing) {
  // s041 has orientation 6, Exif and a colour profile: none of it reaches the output by default.
  const Picture out = Decode(Convert(test::DataFile("s041.jpg"), "out.jpg"));
  EXPECT_EQ(out.width, 39);
  EXPECT_EQ(out.height, 29);
  EXPECT_TRUE(out.exif.empty());
  EXPECT_TRUE(out.icc.empty());
  EXPECT_FALSE(ctx.photo.rotated || ctx.photo.exifKept || ctx.photo.iccKept);
  EXPECT_EQ(ctx.photo.scaleNum, 1);
  const test::JpegInfo info = test::ParseJpeg(test::ReadAll(fs::path(scratch.file("out.jpg"))));
  for (const test::Segment& s : info.segments) EXPECT_TRUE(s.marker < 0xE1 || s.marker > 0xEF) << int(s.marker);
}

}  // namespace
}  // namespace qv
