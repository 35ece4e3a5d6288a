// The final copy of a run: a copy that fails leaves no output and keeps the input even when inputs are
// deleted; the chosen name moves on past names that differ only in case and past dangling links; the
// copy itself never touches an entry that was there before it.
#include <gtest/gtest.h>

#include <algorithm>
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

}  // namespace
}  // namespace qv
