// The opt-in jpegli encoder: every conversion option reads back from its output as with libjpeg, the
// size-bounded search still lands under the bound, and results are the same bytes run after run and for
// any number of jobs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "batch/run.h"
#include "cli/cli_options.h"
#include "conversion_fixture.h"
#include "engine/conversion.h"
#include "jpeg_test_util.h"
#include "recording_observer.h"
#include "settings/settings_file.h"
#include "test_support.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class JpegliTest : public test::ConversionFixture {
 protected:
  void SetUp() override {
    test::ConversionFixture::SetUp();
    params.Encoder = kEncoderJpegli;
  }

  static bool HasSegment(const test::JpegInfo& info, uint8_t marker) {
    for (const test::Segment& s : info.segments)
      if (s.marker == marker) return true;
    return false;
  }

};

// s041 carries Exif and a colour profile; s045 is grey.
TEST_F(JpegliTest, EveryOptionReadsBackFromTheOutput) {
  params.ScaleNum = 8;
  params.KeepExif = params.KeepIcc = 1;
  params.CmtOpt = 1, params.CmtStr1 = L"jpegli";
  struct Case {
    int sampling, progressive, h, v;
    uint8_t sof;
  } cases[] = {{0, 0, 2, 2, 0xC0}, {1, 0, 2, 1, 0xC0}, {2, 0, 1, 1, 0xC0}, {0, 1, 2, 2, 0xC2}, {2, 1, 1, 1, 0xC2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "sampling " << c.sampling << " progressive " << c.progressive);
    params.Sampling = c.sampling;
    params.Progressive = static_cast<uint8_t>(c.progressive);
    const test::JpegInfo info = test::ParseJpeg(Convert(test::DataFile("s041.jpg")));
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.sofMarker, c.sof);
    EXPECT_EQ(c.progressive == 1, info.scanCount > 1);
    ASSERT_EQ(info.components.size(), 3u);
    EXPECT_EQ(info.components[0].h * 10 + info.components[0].v, c.h * 10 + c.v);
    for (int k = 1; k < 3; ++k) EXPECT_EQ(info.components[k].h * 10 + info.components[k].v, 11);
    EXPECT_EQ(std::make_pair(info.width, info.height), std::make_pair(308, 231));
    EXPECT_TRUE(info.hasJfif);
    EXPECT_EQ(info.comments, std::vector<std::string>{"jpegli"});
    EXPECT_TRUE(HasSegment(info, 0xE1)) << "Exif";
    EXPECT_TRUE(HasSegment(info, 0xE2)) << "ICC profile";
    EXPECT_TRUE(ctx.photo.exifKept && ctx.photo.iccKept);
  }
  const test::JpegInfo grey = test::ParseJpeg(Convert(test::DataFile("s045.jpg")));
  ASSERT_EQ(grey.components.size(), 1u);
}

// jpegli may cluster its Huffman statistics into more than two tables of a kind, which a baseline file
// cannot have; a sequential output must stay baseline (SOF0) at every quality and sampling.
TEST_F(JpegliTest, SequentialOutputIsBaselineAtEveryQuality) {
  params.ScaleNum = 8;
  for (int sampling : {0, 2}) {
    params.Sampling = sampling;
    for (int q = 50; q <= 100; q += 10) {
      params.Quality = q;
      const test::JpegInfo info = test::ParseJpeg(Convert(test::DataFile("s041.jpg")));
      EXPECT_EQ(info.sofMarker, 0xC0) << "sampling " << sampling << " quality " << q;
    }
  }
}

// The quality search halves its steps on the assumption that bytes grow with quality; on photos jpegli's
// sizes grow at every step of 5, and the bound is met with the quality the search reports.
TEST_F(JpegliTest, SizesGrowWithQualityAndTheBoundIsMet) {
  params.ScaleNum = 2;
  for (const char* name : {"s007.jpg", "s024.jpg", "s050.jpg"}) {
    SCOPED_TRACE(name);
    size_t previous = 0;
    for (int q = 5; q <= 100; q += 5) {
      params.Quality = q;
      const size_t bytes = Convert(test::DataFile(name)).size();
      EXPECT_GT(bytes, previous) << "quality " << q;
      previous = bytes;
    }
    params.Quality = 90;
    const int32_t boundKb = std::max<int32_t>(1, static_cast<int32_t>(Convert(test::DataFile(name)).size() / 2048));
    params.Limit = 1, params.LmtVal = boundKb;
    EXPECT_LE(Convert(test::DataFile(name)).size(), static_cast<size_t>(boundKb) * 1024);
    EXPECT_LT(ctx.writtenQuality, 90);
    EXPECT_FALSE(ctx.photo.overLimit);
    params.Limit = 0;
  }
}

// The same request with one job and with four writes the same files, and differs from libjpeg's.
TEST(JpegliRun, SameBytesForOneJobAndForFourAndNotLibjpegs) {
  auto run = [](int jobs, int32_t encoder) {
    test::ScratchDir dir;
    fs::create_directories(dir.path() / "out");
    RunRequest request;
    for (const char* name : {"s007.jpg", "s024.jpg", "s041.jpg", "s045.jpg", "s050.jpg", "s039.jpg"})
      request.inputs.push_back({test::DataFile(name), fs::path(name).wstring()});
    request.params.Encoder = encoder;
    request.params.ScaleNum = 3;
    request.outputFolder = (dir.path() / "out").wstring();
    request.tempFolder = dir.folder();
    request.jobs = jobs;
    test::RecordingObserver observer;
    EXPECT_EQ(ExecuteRun(request, observer).written, 6);
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& e : fs::directory_iterator(dir.path() / "out")) files[e.path().filename().string()] = test::ReadAll(e.path());
    return files;
  };
  const auto one = run(1, kEncoderJpegli);
  EXPECT_EQ(one.size(), 6u);
  EXPECT_EQ(one, run(4, kEncoderJpegli));
  EXPECT_EQ(one, run(1, kEncoderJpegli));
  const auto libjpeg = run(1, kEncoderLibjpeg);
  for (const auto& [name, bytes] : one) EXPECT_NE(bytes, libjpeg.at(name)) << name;
}

// --encoder over what the settings say, and the Encoder key through a save and a load; a file written
// before the key existed, or holding another number, means libjpeg.
TEST(JpegliSwitch, CommandLineAndSettingsFile) {
  const struct {
    std::vector<std::string> args;
    int32_t stored, want;
  } cases[] = {{{"--encoder", "jpegli"}, 0, kEncoderJpegli},
               {{"--encoder=libjpeg"}, kEncoderJpegli, kEncoderLibjpeg},
               {{}, kEncoderJpegli, kEncoderJpegli},
               {{}, 0, 0}};
  for (const auto& c : cases) {
    std::vector<std::string> args{"quorvix", "--save"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    cli::CliOptions options;
    std::string message;
    ASSERT_EQ(cli::ParseCommandLine(args, options, message), cli::ParseOutcome::kRun) << message;
    ConversionParams p;
    p.Encoder = c.stored;
    cli::ApplyToParams(options, p);
    EXPECT_EQ(p.Encoder, c.want);
  }
  cli::CliOptions options;
  std::string message;
  EXPECT_EQ(cli::ParseCommandLine({"quorvix", "--save", "--encoder", "fast"}, options, message),
            cli::ParseOutcome::kUsageError);

  test::ScratchDir dir;
  const std::wstring path = dir.file("Quorvix.ini");
  ConversionParams saved;
  saved.Encoder = kEncoderJpegli;
  ASSERT_TRUE(SaveSettings(path, saved, StoredAppState{}));
  ConversionParams loaded;
  LoadConversionParams(path, loaded);
  EXPECT_TRUE(UsesJpegli(loaded));
  const struct {
    const char* text;
    bool jpegli;
  } files[] = {{"[PhotoOpt]\nKeepExif=1\n", false}, {"[PhotoOpt]\nEncoder=7\n", false}, {"[PhotoOpt]\nEncoder=1\n", true}};
  for (const auto& f : files) {
    std::vector<unsigned char> bytes{0xFF, 0xFE};  // UTF-16LE with its byte-order mark
    for (const char* c = f.text; *c != 0; ++c) bytes.insert(bytes.end(), {static_cast<unsigned char>(*c), 0});
    test::WriteAll(fs::path(path), bytes);
    ConversionParams p;
    LoadConversionParams(path, p);
    EXPECT_EQ(UsesJpegli(p), f.jpegli) << f.text;
  }
}

}  // namespace
}  // namespace qv
