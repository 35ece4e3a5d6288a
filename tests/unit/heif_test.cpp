// HEIF input: the probe, the scaled sizes, the picture upright as the file turns it, the Exif date and the
// kept metadata, refusals (damaged, too large), the listing by name. The files are made by
// scripts/make-heif-samples in the build tree, beside the reference outputs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "batch/input_listing.h"
#include "conversion_fixture.h"
#include "engine/conversion.h"
#include "engine/heif_decoder.h"
#include "engine/memory_estimate.h"
#include "jpeg_test_util.h"
#include "test_support.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

std::wstring HeifFile(const std::string& name) { return (test::RefsDir().parent_path() / "heif" / name).wstring(); }

// The output's APP1 payload ("Exif\0\0"...) and ICC profile, read back with the JPEG decoder.
struct Output {
  int width = 0, height = 0;
  std::vector<unsigned char> exif, icc;
  std::vector<unsigned char> pixels;  // bottom-up BGR rows at full size
};

Output ReadOutput(const std::vector<unsigned char>& bytes) {
  Output out;
  DecoderState decoder;
  decoder.keepMetadata = true;
  const DecodedImage* image = DecodeJpegBytes(decoder, bytes.data(), static_cast<uint32_t>(bytes.size()));
  if (image == nullptr) return out;
  PixelBlock block(image->pixels, image->pixelBytes);
  out.width = image->header.width;
  out.height = image->header.height;
  out.exif = decoder.exif;
  out.icc = decoder.icc;
  out.pixels.assign(block.Data(), block.Data() + block.Size());
  return out;
}

class HeifTest : public test::ConversionFixture {
 protected:
  void SetUp() override {
    test::ConversionFixture::SetUp();
    params.ScaleNum = 8;
  }

  // Converts `input`; the output's facts, or a zero size on failure.
  Output ConvertToOutput(const std::wstring& input) { return ReadOutput(Convert(input)); }
};

TEST(HeifProbe, BrandsOfTheFtypBoxDecide) {
  struct Case {
    const char* head;
    bool heif;
  } cases[] = {{"\0\0\0\x18" "ftypheic", true}, {"\0\0\0\x18" "ftypmif1", true}, {"\0\0\0\x18" "ftypavif", true},
               {"\0\0\0\x18" "ftypisom", false}, {"\0\0\0\x18" "fTypheic", false}, {"\xFF\xD8\xFF\xE0\0\0\0\0heic", false}};
  for (const Case& c : cases) EXPECT_EQ(IsHeifBytes(reinterpret_cast<const unsigned char*>(c.head), 12), c.heif) << c.head + 4;
  EXPECT_FALSE(IsHeifBytes(reinterpret_cast<const unsigned char*>("\0\0\0\x18" "ftyphei"), 11));
}

TEST(HeifProbe, DeepSamplesAreRoundedNotCut) {
  struct Case {
    uint32_t value;
    int bits;
    uint8_t expected;
  } cases[] = {{0, 10, 0}, {1023, 10, 255}, {2, 10, 0}, {3, 10, 1}, {514, 10, 128}, {1020, 10, 254},
               {4095, 12, 255}, {9, 12, 1}, {5000, 12, 255}};
  for (const Case& c : cases) EXPECT_EQ(ReduceSampleTo8(c.value, c.bits), c.expected) << c.value << "/" << c.bits;
}

TEST_F(HeifTest, ScaledSizesAreThoseOfAJpegOfThatSize) {
  struct Case {
    int32_t scale, longEdge;
    int width, height, usedScale;
  } cases[] = {{8, 0, 227, 149, 8}, {4, 0, 114, 75, 4}, {3, 0, 86, 56, 3}, {1, 0, 29, 19, 1}, {8, 100, 86, 56, 3}};
  for (const Case& c : cases) {
    params.ScaleNum = c.scale;
    params.MaxEdgeOn = c.longEdge > 0 ? 1 : 0;
    params.MaxEdge = c.longEdge;
    const Output o = ConvertToOutput(HeifFile("photo.heic"));
    EXPECT_EQ(o.width, c.width) << c.scale << " " << c.longEdge;
    EXPECT_EQ(o.height, c.height) << c.scale << " " << c.longEdge;
    EXPECT_EQ(ctx.photo.scaleNum, c.usedScale);
  }
}

TEST_F(HeifTest, TurnedFileComesOutUprightWithOrientationOne) {
  // s044.jpg turned upright by its Exif orientation 6: what the HEIF file (irot) must show.
  params.AutoRotate = 1;
  const Output expected = ConvertToOutput(test::DataFile("s044.jpg"));
  ASSERT_EQ(expected.width, 91);
  params.KeepExif = 1;
  for (int autoRotate : {1, 0}) {
    params.AutoRotate = autoRotate;
    const Output o = ConvertToOutput(HeifFile("rotated.heic"));
    ASSERT_EQ(o.width, 91) << autoRotate;
    ASSERT_EQ(o.height, 150);
    EXPECT_EQ(ReadExifOrientation(o.exif.data(), o.exif.size()), 1);
    EXPECT_TRUE(ctx.photo.exifKept);
    EXPECT_EQ(ctx.photo.rotated, autoRotate == 1);
    double difference = 0;
    for (size_t i = 0; i < o.pixels.size(); ++i) difference += std::abs(o.pixels[i] - expected.pixels[i]);
    EXPECT_LT(difference / static_cast<double>(o.pixels.size()), 12.0) << "turned the wrong way?";
  }
}

TEST_F(HeifTest, ExifDateAndProfileAreRead) {
  params.NameSet = 1;  // by the date taken
  ASSERT_TRUE(NeedsExifDate(params));
  params.KeepIcc = 1;
  EXPECT_EQ(ConvertToOutput(HeifFile("exif.heic")).width, 150);  // a grid image (heif-enc crops odd sides with one)
  EXPECT_EQ(ctx.exifDateFound, 1);
  EXPECT_STREQ(ctx.exifDateTime.text, "2006:08:02 21:53:01");
  ctx.exifDateFound = 0;
  ASSERT_TRUE(ReadExifDateOfFile(ctx, HeifFile("exif.heic")));
  EXPECT_STREQ(ctx.exifDateTime.text, "2006:08:02 21:53:01");

  DecoderState jpeg;
  jpeg.keepMetadata = true;
  const DecodedImage* original = DecodeJpegFile(jpeg, test::DataFile("s034.jpg"));
  ASSERT_NE(original, nullptr);
  ReleasePixelBlock(original->pixels, original->pixelBytes);
  UnmapInputFile(jpeg.file);
  const Output o = ConvertToOutput(HeifFile("icc.heic"));
  EXPECT_TRUE(ctx.photo.iccKept);
  EXPECT_EQ(o.icc, jpeg.icc);
}

TEST_F(HeifTest, DeepFileDecodesLikeItsEightBitTwin) {
  const Output eight = ConvertToOutput(HeifFile("photo.heic"));
  const Output deep = ConvertToOutput(HeifFile("deep.heic"));
  ASSERT_EQ(deep.pixels.size(), eight.pixels.size());
  ASSERT_FALSE(deep.pixels.empty());
  double difference = 0;
  for (size_t i = 0; i < deep.pixels.size(); ++i) difference += deep.pixels[i] - eight.pixels[i];
  // Cutting the two low bits off instead of rounding darkens by about 0.4 levels on average.
  EXPECT_LT(std::abs(difference / static_cast<double>(deep.pixels.size())), 0.25);
}

TEST_F(HeifTest, RefusalsCarryTheirReason) {
  struct Case {
    const char* file;
    uint64_t memoryLimit;
    ConversionFailure failure;
  } cases[] = {{"damaged.heic", 0, ConversionFailure::kDecodeFailed},
               {"huge.heic", 0, ConversionFailure::kTooLarge},
               {"photo.heic", 200000, ConversionFailure::kTooLarge}};
  for (const Case& c : cases) {
    states.decoder->memoryLimit = c.memoryLimit;
    EXPECT_EQ(ConvertToOutput(HeifFile(c.file)).width, 0) << c.file;
    EXPECT_EQ(ctx.lastFailure, c.failure) << c.file;
  }
  params.ScaleNum = 1;
  EXPECT_GT(EstimateConversionMemory(HeifFile("huge.heic"), params), uint64_t{30000} * 30000 * 3);
}

TEST(HeifListing, HeifNamesAreListedInAnyCase) {
  ScratchDir dir;
  for (const char* name : {"a.HEIC", "b.heif", "c.Heic", "d.heics", "e.jpg", "f.hei"}) test::WriteAll(dir.path() / name, {1});
  std::vector<std::wstring> names;
  for (const InputRow& row : ListInputFolder(dir.path().wstring(), 0)) names.push_back(row.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a.HEIC", L"b.heif", L"c.Heic", L"e.jpg"}));
}

}  // namespace
}  // namespace qv
