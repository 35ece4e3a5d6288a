// The single-file conversion: probing, decode at scale, Exif date only when naming needs it, the
// temporary file's life, and every failure leaving nothing behind. Run over the whole corpus too.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "engine/conversion.h"
#include "jpeg_test_util.h"
#include "conversion_fixture.h"
#include "test_support.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::DataFile;
using test::ScratchDir;

class ConversionTest : public test::ConversionFixture {
 protected:
  size_t TempFilesLeft() const { return test::FilesStartingWith(temp.path(), "tmp").size(); }

  ScratchDir inputs;
};

TEST_F(ConversionTest, ProbeLooksAtTheFirstTwoBytesOnly) {
  test::WriteAll(inputs.path() / "fake.jpg", {'G', 'I', 'F', '8', '9', 'a'});
  fs::copy_file(test::DataDir() / "s002.jpg", inputs.path() / "photo.dat");
  EXPECT_FALSE(IsJpegFile(inputs.file("fake.jpg")));
  EXPECT_TRUE(IsJpegFile(inputs.file("photo.dat")));
  bool ok = true;
  Convert(inputs.file("fake.jpg"), &ok);
  EXPECT_FALSE(ok);
  const test::JpegInfo info = test::ParseJpeg(Convert(inputs.file("photo.dat"), &ok));
  EXPECT_TRUE(ok);
  EXPECT_EQ(info.width, 19);  // 150 x 103 at 1/8
  EXPECT_EQ(info.height, 13);
  EXPECT_EQ(TempFilesLeft(), 0u);
}

TEST_F(ConversionTest, FailuresLeaveNoTemporaryFile) {
  test::WriteAll(inputs.path() / "empty.jpg", {});
  test::WriteAll(inputs.path() / "soi.jpg", {0xFF, 0xD8, 0xFF});
  ASSERT_TRUE(test::WriteTestJpeg(inputs.file("two.jpg"), 16, 16, 2, [](int x, int, int) { return x; }));
  ASSERT_TRUE(test::WriteTestJpeg(inputs.file("wide.jpg"), 12501, 8, 1, [](int, int, int) { return 7; }));
  params.ScaleNum = 16;
  for (const char* name : {"empty.jpg", "soi.jpg", "two.jpg", "wide.jpg", "missing.jpg"}) {
    bool ok = true;
    Convert(inputs.file(name), &ok);
    EXPECT_FALSE(ok) << name;
  }
  EXPECT_EQ(TempFilesLeft(), 0u);
  // A temporary folder that cannot take files makes the conversion fail without leaving anything.
  ctx.tempFolder = inputs.file("no-such-folder") + L"/";
  bool ok = true;
  Convert(DataFile("s002.jpg"), &ok);
  EXPECT_FALSE(ok);
}

TEST_F(ConversionTest, GreyStaysGreyCmykBecomesColour) {
  params.ScaleNum = 8;
  test::JpegInfo grey = test::ParseJpeg(Convert(DataFile("s045.jpg")));
  EXPECT_EQ(grey.components.size(), 1u);
  test::JpegInfo cmyk = test::ParseJpeg(Convert(DataFile("s026.jpg")));
  EXPECT_EQ(cmyk.components.size(), 3u);
  EXPECT_EQ(cmyk.width, 256);
}

TEST_F(ConversionTest, ExifDateReadOnlyWhenNamingByDate) {
  // s007 carries a date taken; s002 has no Exif.
  params.NameSet = 0;
  Convert(DataFile("s007.jpg"));
  EXPECT_EQ(ctx.exifDateFound, 0);
  params.NameSet = 1;
  Convert(DataFile("s007.jpg"));
  EXPECT_EQ(ctx.exifDateFound, 1);
  EXPECT_STREQ(ctx.exifDateTime.text, "2010:01:21 17:57:50");
  bool ok = false;
  Convert(DataFile("s002.jpg"), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(ctx.exifDateFound, 0);
  EXPECT_EQ(ctx.exifDateTime.text[0], 0);
}

TEST_F(ConversionTest, ReadExifDateOfFile) {
  params.NameSet = 1;
  test::WriteAll(inputs.path() / "text.txt", {'h', 'i'});
  EXPECT_FALSE(ReadExifDateOfFile(ctx, inputs.file("missing.jpg")));
  EXPECT_TRUE(ReadExifDateOfFile(ctx, inputs.file("text.txt")));
  EXPECT_EQ(ctx.exifDateFound, 0);
  EXPECT_TRUE(ReadExifDateOfFile(ctx, DataFile("s028.jpg")));
  EXPECT_EQ(ctx.exifDateFound, 1);
  EXPECT_STREQ(ctx.exifDateTime.text, "2017:04:02 21:33:51");
  params.NameSet = 2;
  EXPECT_TRUE(ReadExifDateOfFile(ctx, DataFile("s028.jpg")));
  EXPECT_EQ(ctx.exifDateFound, 0);
}

TEST_F(ConversionTest, CommentInAnsiCodePageWithLineBreaksAndDensityCarriedOver) {
  params.CmtOpt = 1;
  params.CmtStr1 = L"first line\r\nsecond line";
  params.ScaleNum = 4;
  test::JpegInfo info = test::ParseJpeg(Convert(DataFile("s003.jpg")));  // 72 dpi grey 1 x 1
  ASSERT_EQ(info.comments.size(), 1u);
  EXPECT_EQ(info.comments[0], "first line\r\nsecond line");
  EXPECT_EQ(info.densityUnit, 1);
  EXPECT_EQ(info.xDensity, 72);
  params.CmtStr1.clear();
  info = test::ParseJpeg(Convert(DataFile("s003.jpg")));
  EXPECT_TRUE(info.comments.empty());
  params.CmtOpt = 0;
  params.CmtStr1 = L"kept but off";
  info = test::ParseJpeg(Convert(DataFile("s002.jpg")));  // 28 dots per cm
  EXPECT_TRUE(info.comments.empty());
  EXPECT_EQ(info.xDensity, 71);
}

TEST_F(ConversionTest, SizeBoundAndQualityReported) {
  params.ScaleNum = 8;
  params.Limit = 1;
  params.LmtVal = 20;
  params.Progressive = 1;
  const std::vector<unsigned char> out = Convert(DataFile("s050.jpg"));
  EXPECT_LE(out.size(), 20u * 1024);
  EXPECT_LT(ctx.writtenQuality, 75);
  EXPECT_GE(ctx.writtenQuality, 1);
  EXPECT_EQ(test::ParseJpeg(out).sofMarker, 0xC2);
  params.Limit = 0;
  params.Quality = 150;
  Convert(DataFile("s050.jpg"));
  EXPECT_EQ(ctx.writtenQuality, 75);
}

TEST_F(ConversionTest, PreviewLoadsAtItsOwnScaleAndKeepsThePixels) {
  params.ScaleNum = 2;  // the runs' scale is not the preview's
  ASSERT_TRUE(LoadInputImage(ctx, DataFile("s050.jpg"), 0));
  EXPECT_EQ(ctx.loaded.width, 640);
  EXPECT_EQ(ctx.loaded.height, 480);
  EXPECT_EQ(ctx.loaded.bitsPerPixel, 24);
  ASSERT_NE(ctx.loaded.image->pixels, nullptr);
  // Converting the loaded image leaves it in place for a second use.
  ASSERT_TRUE(ConvertLoadedImage(ctx, temp.file("one.jpg")));
  ASSERT_TRUE(ConvertLoadedImage(ctx, temp.file("two.jpg")));
  EXPECT_EQ(test::ReadAll(temp.path() / "one.jpg"), test::ReadAll(temp.path() / "two.jpg"));
  ReleaseLoadedPixels(ctx);
  EXPECT_EQ(states.decoder->image.pixels, nullptr);
  const test::JpegInfo info = test::ParseJpeg(Convert(DataFile("s050.jpg")));
  EXPECT_EQ(info.width, 160);
  EXPECT_EQ(info.height, 120);
}

TEST_F(ConversionTest, GreyImageAfterColourImageCarriesNoStaleTable) {
  params.ScaleNum = 8;
  Convert(DataFile("s045.jpg"));
  ASSERT_TRUE(LoadInputImage(ctx, DataFile("s002.jpg"), params.ScaleNum));
  EXPECT_EQ(states.decoder->image.colorTable[200].blue, 0);
  ReleaseLoadedPixels(ctx);
}

TEST_F(ConversionTest, WholeCorpusConvertsOrFailsCleanly) {
  // Every corpus file at 1/8 and 2/8: decodable ones give a valid JPEG of the scaled size; the others
  // fail without a temporary file.
  int converted = 0;
  for (const std::vector<std::string>& f : test::ManifestRows()) {
    ASSERT_GE(f.size(), 19u);
    for (int scale : {1, 2}) {
      params.ScaleNum = scale;
      params.NameSet = 1;
      bool ok = false;
      const test::JpegInfo info = test::ParseJpeg(Convert(DataFile(f[0]), &ok));
      if (f[16] == "1") {
        ASSERT_TRUE(ok) << f[0];
        ASSERT_TRUE(info.valid) << f[0];
        if (scale == 1) {
          EXPECT_EQ(info.width, std::stoi(f[17])) << f[0];
          EXPECT_EQ(info.height, std::stoi(f[18])) << f[0];
        }
        ++converted;
      } else if (ok) {
        EXPECT_TRUE(info.valid) << f[0];
      }
      EXPECT_EQ(TempFilesLeft(), 0u) << f[0];
    }
  }
  EXPECT_GT(converted, 80);
}

}  // namespace
}  // namespace qv
