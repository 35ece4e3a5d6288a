// The base of the suites that convert single files: parameters, codec states and a temporary folder,
// wired into the conversion context for the length of one test.
#pragma once

#include <gtest/gtest.h>

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

  ScratchDir temp;  // where the conversion writes its temporary files
  ConversionParams params;
  CodecStates states;
  ConversionContext ctx;
};

}  // namespace qv::test
