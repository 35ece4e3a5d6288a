// Our scaled decode + encode must produce exactly what libjpeg's own tools make from the same file
// (djpeg -scale N/8 | cjpeg -quality Q -baseline -optimize -sample HxV [-progressive], made by
// scripts/make-refs): frame, tables and entropy-coded data byte for byte, everything after the JFIF
// header and comment. Swapped channels, flipped rows or stride errors would all show up here. At 1/8 our
// decoder leaves out the scans of a progressive file that cannot change the output, djpeg reads them
// all: every progressive corpus file has a case at 1/8, so this also proves those decodes exact.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <fstream>
#include <sstream>

#include "engine/conversion.h"
#include "jpeg_test_util.h"
#include "test_support.h"

namespace qv {
namespace {

struct ConformanceCase {
  std::string file;
  int scale, quality, sampling, progressive;
  std::string RefName() const {
    return file.substr(0, file.size() - 4) + "_s" + std::to_string(scale) + "_q" + std::to_string(quality) + "_c" +
           std::to_string(sampling) + "_p" + std::to_string(progressive) + ".jpg";
  }
};

std::vector<ConformanceCase> LoadCases() {
  std::vector<ConformanceCase> cases;
  std::ifstream in(test::DataDir() / "conformance_cases.tsv");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::stringstream ss(line);
    ConformanceCase c;
    ss >> c.file >> c.scale >> c.quality >> c.sampling >> c.progressive;
    cases.push_back(c);
  }
  return cases;
}

TEST(Conformance, OutputMatchesLibjpegToolsByteForByte) {
  const std::vector<ConformanceCase> cases = LoadCases();
  ASSERT_GT(cases.size(), 80u);
  test::ScratchDir dir;
  ConversionParams params;
  CodecStates states;
  ConversionContext ctx;
  ctx.params = &params;
  ctx.states = &states;
  ctx.tempFolder = dir.folder();
  ASSERT_TRUE(PrepareCodecStates(states));
  std::set<std::string> progressive;
  for (const std::vector<std::string>& row : test::ManifestRows())
    if (row.size() > 7 && row[7] == "1") progressive.insert(row[0]);
  ASSERT_GE(progressive.size(), 6u);
  int index = 0;
  for (const ConformanceCase& c : cases) {
    params = ConversionParams{};
    params.ScaleNum = c.scale;
    params.Quality = c.quality;
    params.Sampling = c.sampling;
    params.Progressive = static_cast<uint8_t>(c.progressive);
    // A comment in every other case: it sits in the part that is not compared and must not disturb it.
    params.CmtOpt = index++ % 2;
    params.CmtStr1 = L"Quorvix\r\ntest";
    const std::vector<unsigned char> ref = test::ReadAll(test::RefsDir() / c.RefName());
    ASSERT_FALSE(ref.empty()) << "missing reference " << c.RefName() << " (run scripts/make-refs)";
    std::wstring temp;
    ASSERT_TRUE(ConvertFileToTemp(ctx, test::DataFile(c.file), temp)) << c.RefName();
    const std::vector<unsigned char> ours = test::ReadAll(std::filesystem::path(temp));
    std::filesystem::remove(std::filesystem::path(temp));
    if (c.scale == 1 && progressive.count(c.file) != 0) {
      EXPECT_GT(states.decoder->skippedScans, 0) << c.RefName();
      progressive.erase(c.file);
    }
    EXPECT_TRUE(test::WithoutJfifAndComments(ours) == test::WithoutJfifAndComments(ref))
        << c.RefName() << ": " << ours.size() << " vs " << ref.size() << " bytes";
    EXPECT_EQ(test::ParseJpeg(ours).comments.size(), static_cast<size_t>(params.CmtOpt)) << c.RefName();
  }
  ReleaseCodecStates(states);
  for (const std::string& file : progressive) ADD_FAILURE() << file << ": progressive, but no case at 1/8";
}

}  // namespace
}  // namespace qv
