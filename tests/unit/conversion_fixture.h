// The base of the suites that convert single files: parameters, codec states and a temporary folder,
// wired into the conversion context for the length of one test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/conversion.h"
#include "test_support.h"

namespace qv::test {

class ConversionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx.params = &params;
    ctx.states = &states;
    ctx.tempFolder = temp.folder();
    ASSERT_TRUE(PrepareCodecStates(states));
  }
  void TearDown() override { ReleaseCodecStates(states); }

  // Converts `input` and returns the output bytes (empty on failure, when no temporary file may be
  // named); the temporary file, made in the test's folder with the "tmp" prefix, is removed.
  std::vector<unsigned char> Convert(const std::wstring& input, bool* ok = nullptr) {
    namespace fs = std::filesystem;
    std::wstring out;
    const bool converted = ConvertFileToTemp(ctx, input, out);
    if (ok != nullptr) *ok = converted;
    if (!converted) {
      EXPECT_TRUE(out.empty());
      return {};
    }
    EXPECT_EQ(fs::path(out).parent_path(), temp.path());
    EXPECT_EQ(fs::path(out).filename().wstring().rfind(L"tmp", 0), 0u);
    std::vector<unsigned char> bytes = ReadAll(fs::path(out));
    fs::remove(fs::path(out));
    return bytes;
  }

  ScratchDir temp;  // where the conversion writes its temporary files
  ConversionParams params;
  CodecStates states;
  ConversionContext ctx;
};

}  // namespace qv::test
