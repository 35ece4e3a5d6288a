// The final copy of a run: a copy that fails leaves no output and keeps the input even when inputs are
// deleted; the chosen name moves on past names that differ only in case and past dangling links; the
// copy itself never touches an entry that was there before it, and its output appears complete or not
// at all; an input that changes after its output was placed is kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "batch/input_listing.h"
#include "batch/run.h"
#include "platform/directory.h"
#include "recording_observer.h"
#include "test_support.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class FinalCopyTest : public ::testing::Test {
 protected:
  void TearDown() override {
    FailNextCopiesForTesting(0);
    for (const std::wstring& call : observer.calls) EXPECT_NE(call.rfind(L"message", 0), 0u) << "no message expected";
  }
  void AddInputs(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      fs::copy_file(test::DataDir() / "s002.jpg", in.path() / name);
      fs::permissions(in.path() / name, fs::perms::owner_write, fs::perm_options::add);
    }
    std::vector<RunRow> rows;
    for (const InputRow& r : ListInputFolder(in.folder(), 0)) rows.push_back({r.name, true});
    request.inputs = CheckedRunInputs(in.folder(), rows);
    request.outputFolder = out.folder();
  }
  std::vector<std::string> Names(const fs::path& dir) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::ScratchDir in, out;
  RunRequest request;
  test::RecordingObserver observer;  // never asked to cancel
};

TEST_F(FinalCopyTest, FailedCopyLeavesNoOutputAndKeepsTheInputThatWasToBeDeleted) {
  AddInputs({"a.jpg", "b.jpg"});
  request.disposal = InputDisposal::kDelete;
  const size_t tempsBefore = test::FilesStartingWith(fs::temp_directory_path(), "tmp").size();
  FailNextCopiesForTesting(1);
  const RunSummary summary = ExecuteRun(request, observer);
  EXPECT_EQ(summary.planned, 2);
  EXPECT_EQ(summary.written, 1);
  ASSERT_EQ(observer.outcomes.size(), 2u);
  EXPECT_EQ(observer.outcomes[0].status, FileStatus::kCopyFailed);
  EXPECT_TRUE(observer.outcomes[0].outputPath.empty());
  EXPECT_EQ(observer.outcomes[0].disposal, DisposalResult::kKept);
  EXPECT_EQ(observer.outcomes[1].status, FileStatus::kConverted);
  EXPECT_EQ(observer.outcomes[1].disposal, DisposalResult::kRemoved);
  EXPECT_EQ(Names(out.path()), std::vector<std::string>{"b.jpg"});
  EXPECT_EQ(Names(in.path()), std::vector<std::string>{"a.jpg"});
  EXPECT_EQ(test::FilesStartingWith(fs::temp_directory_path(), "tmp").size(), tempsBefore);
}

TEST_F(FinalCopyTest, TakenNamesOfAnyCaseAndDanglingLinksGetTheNextSuffix) {
  test::WriteAll(out.path() / "A.JPG", {1});
  std::error_code ec;
  fs::create_symlink(out.path() / "nowhere", out.path() / "b.jpg", ec);
  const bool links = !ec;
  AddInputs({"a.jpg", "b.jpg"});
  const RunSummary summary = ExecuteRun(request, observer);
  EXPECT_EQ(summary.written, 2);
  std::vector<std::string> expected = {"A.JPG", "a+1.jpg", links ? "b+1.jpg" : "b.jpg"};
  if (links) expected.push_back("b.jpg");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(out.path()), expected);
  if (links) {
    EXPECT_TRUE(fs::is_symlink(out.path() / "b.jpg"));
  }
}

TEST(FinalCopy, NeverTouchesAnEntryItDidNotCreate) {
  test::ScratchDir dir;
  test::WriteAll(dir.path() / "src", {1, 2, 3});
  test::WriteAll(dir.path() / "theirs", {9});
  // A source that cannot be read, while another program's file holds the target.
  EXPECT_EQ(CopyFileNoReplace(dir.file("missing"), dir.file("theirs"), CopyDurability::kOnDisk), CopyResult::kFailed);
  EXPECT_EQ(test::ReadAll(dir.path() / "theirs"), std::vector<unsigned char>{9});
  std::error_code ec;
  fs::create_symlink(dir.path() / "nowhere", dir.path() / "link", ec);
  if (!ec) {
    EXPECT_EQ(CopyFileNoReplace(dir.file("src"), dir.file("link"), CopyDurability::kOnDisk), CopyResult::kTargetExists);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link"));
    EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));
  }
  // An injected failure removes the copy's own target; the next copy works again.
  FailNextCopiesForTesting(1);
  EXPECT_EQ(CopyFileNoReplace(dir.file("src"), dir.file("new"), CopyDurability::kOnDisk), CopyResult::kFailed);
  EXPECT_FALSE(fs::exists(dir.path() / "new"));
  EXPECT_EQ(CopyFileNoReplace(dir.file("src"), dir.file("new"), CopyDurability::kCached), CopyResult::kCopied);
  EXPECT_EQ(test::ReadAll(dir.path() / "new"), (std::vector<unsigned char>{1, 2, 3}));
}

// What the copy pause of the tests below sees and does.
struct PauseProbe {
  fs::path folder, target, input;
  bool targetSeen = false;
  size_t privateFiles = 0;
  bool hardStop = false;
};
PauseProbe gProbe;

size_t PrivateFiles(const fs::path& folder) { return test::FilesStartingWith(folder, ".quorvix-").size(); }

void ProbeCopy() {
  gProbe.targetSeen = fs::exists(gProbe.target);
  gProbe.privateFiles = PrivateFiles(gProbe.folder);
  if (gProbe.hardStop) RemovePartialOutputs();
  if (!gProbe.input.empty()) {  // saved anew by another program
    const fs::path next = gProbe.input.string() + ".new";
    fs::copy_file(test::DataDir() / "s036.jpg", next);
    fs::rename(next, gProbe.input);
  }
}

TEST(FinalCopy, AnOutputAppearsCompleteOrNotAtAllEvenAfterAHardStop) {
  test::ScratchDir dir;
  test::WriteAll(dir.path() / "src", std::vector<unsigned char>(300000, 7));
  gProbe = PauseProbe{dir.path(), dir.path() / "out.jpg", {}, false, 0, true};
  SetCopyPauseForTesting(ProbeCopy);
  // The whole copy is written under a private name first; the hard stop removes it.
  EXPECT_EQ(CopyFileNoReplace(dir.file("src"), dir.file("out.jpg"), CopyDurability::kOnDisk), CopyResult::kFailed);
  SetCopyPauseForTesting(nullptr);
  EXPECT_FALSE(gProbe.targetSeen);
  EXPECT_EQ(gProbe.privateFiles, 1u);
  EXPECT_FALSE(fs::exists(dir.path() / "out.jpg"));
  EXPECT_EQ(PrivateFiles(dir.path()), 0u);
  // A name taken while the copy was written is never replaced; the private file goes.
  test::WriteAll(dir.path() / "theirs", {9});
  gProbe = PauseProbe{dir.path(), dir.path() / "late.jpg", {}, false, 0, false};
  SetCopyPauseForTesting([] { fs::copy_file(gProbe.folder / "theirs", gProbe.target); });
  EXPECT_EQ(CopyFileNoReplace(dir.file("src"), dir.file("late.jpg"), CopyDurability::kCached), CopyResult::kTargetExists);
  SetCopyPauseForTesting(nullptr);
  EXPECT_EQ(test::ReadAll(dir.path() / "late.jpg"), std::vector<unsigned char>{9});
  EXPECT_EQ(PrivateFiles(dir.path()), 0u);
}

TEST_F(FinalCopyTest, AnInputSavedAnewWhileItsOutputIsPlacedIsKeptAndTheOutputHasTheConvertedVersionsTime) {
  AddInputs({"a.jpg"});
  const auto taken = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(in.path() / "a.jpg", taken);
  request.params.KeepTime = 1;
  request.disposal = InputDisposal::kDelete;
  gProbe = PauseProbe{out.path(), out.path() / "a.jpg", in.path() / "a.jpg", false, 0, false};
  SetCopyPauseForTesting(ProbeCopy);
  const RunSummary summary = ExecuteRun(request, observer);
  SetCopyPauseForTesting(nullptr);
  EXPECT_EQ(summary.written, 1);
  ASSERT_EQ(observer.outcomes.size(), 1u);
  EXPECT_EQ(observer.outcomes[0].disposal, DisposalResult::kChanged);
  EXPECT_TRUE(observer.outcomes[0].timeKept);
  EXPECT_EQ(test::ReadAll(in.path() / "a.jpg"), test::ReadAll(test::DataDir() / "s036.jpg"));  // the new picture
  const auto kept = fs::last_write_time(out.path() / "a.jpg") - taken;
  EXPECT_LT(std::chrono::abs(kept), std::chrono::seconds(2));
}

}  // namespace
}  // namespace qv
