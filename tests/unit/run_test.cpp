// Whole runs over real folders with an in-memory observer: names by each rule, collisions with the inputs
// themselves, serial numbers across failures, the sub-folder's life, input disposal, cancellation, the
// messages, and the planned names of the file-name check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "batch/input_listing.h"
#include "batch/run.h"
#include "platform/directory.h"
#include "platform/system_folders.h"
#include "test_support.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class FakeObserver : public RunObserver {
 public:
  std::vector<MessageCode> messages;
  std::vector<FileOutcome> outcomes;
  int begun = -1;
  RunSummary ended;
  int cancelAfter = -1;             // PollCancelRequest reports a request after this many files
  std::vector<bool> cancelAnswers;  // answers to the cancel question, in order
  int questions = 0;
  std::vector<std::wstring> announced;

  void ShowMessage(MessageCode code) override { messages.push_back(code); }
  void BeginRun(int planned) override { begun = planned; }
  void FileStarting(int, const std::wstring&) override {}
  void FileDone(const FileOutcome& o) override { outcomes.push_back(o); }
  bool PollCancelRequest() override { return cancelAfter >= 0 && static_cast<int>(outcomes.size()) >= cancelAfter; }
  bool ConfirmCancel() override {
    const bool yes = questions < static_cast<int>(cancelAnswers.size()) && cancelAnswers[questions];
    ++questions;
    return yes;
  }
  void AnnounceNewSubfolder(const std::wstring& f) override { announced.push_back(f); }
  void EndRun(const RunSummary& s) override { ended = s; }
};

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override { outputFolder = out.folder(); }
  void AddInput(const std::string& name, const std::string& corpusFile = "s002.jpg") {
    const fs::path target = in.path() / fs::u8path(name);
    fs::copy_file(test::DataDir() / corpusFile, target);
    // A read-only copy could not be deleted on Windows; the tests' inputs are ordinary files.
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
  }
  void LoadRows() {
    rows.clear();
    for (const InputRow& r : ListInputFolder(in.folder(), 0)) rows.push_back({r.name, r.checked});
  }
  // The request of a folder run over the checked rows, with the parameters as they stand.
  RunRequest FolderRequest() const {
    RunRequest request;
    request.inputs = CheckedRunInputs(in.folder(), rows);
    request.outputFolder = outputFolder;
    request.params = params;
    request.disposal = DisposalOf(params);
    return request;
  }
  RunSummary RunFolder() { return ExecuteRun(FolderRequest(), observer); }
  std::vector<std::string> OutputNames(const fs::path& dir) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
  }
  size_t TempLeftovers() const { return test::FilesStartingWith(fs::temp_directory_path(), "tmp").size(); }

  test::ScratchDir in, out;
  std::wstring outputFolder;
  std::vector<RunRow> rows;
  ConversionParams params;
  FakeObserver observer;
};

TEST_F(RunTest, FolderRunConvertsCheckedRowsByInputName) {
  AddInput("b.jpg");
  AddInput("a.JPG", "s050.jpg");
  AddInput("c.jpeg");
  LoadRows();
  rows[2].checked = false;  // c.jpeg
  const size_t tempsBefore = TempLeftovers();
  const RunSummary s = RunFolder();
  EXPECT_TRUE(s.started);
  EXPECT_EQ(s.planned, 2);
  EXPECT_EQ(s.written, 2);
  EXPECT_EQ(observer.begun, 2);
  EXPECT_EQ(OutputNames(out.path()), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  ASSERT_EQ(observer.outcomes.size(), 2u);
  EXPECT_EQ(observer.outcomes[0].width, 80);  // 640 x 480 at 1/8
  EXPECT_EQ(observer.outcomes[0].height, 60);
  EXPECT_EQ(observer.outcomes[0].quality, 75);
  EXPECT_EQ(observer.outcomes[0].bytes, fs::file_size(out.path() / "a.jpg"));
  EXPECT_EQ(TempLeftovers(), tempsBefore);
  EXPECT_TRUE(observer.messages.empty());
}

TEST_F(RunTest, NothingCheckedShowsItsMessageAndChangesNothing) {
  AddInput("a.jpg");
  LoadRows();
  rows[0].checked = false;
  params.MkDirAdd = 1;
  EXPECT_FALSE(RunFolder().started);
  EXPECT_EQ(observer.messages, std::vector<MessageCode>{MessageCode::kNoFiles});
  EXPECT_EQ(observer.begun, -1);
  EXPECT_TRUE(OutputNames(out.path()).empty());
}

TEST_F(RunTest, SerialNumbersAdvanceOverFailedFiles) {
  AddInput("1.jpg");
  test::WriteAll(in.path() / "2.jpg", {'n', 'o', 't'});
  AddInput("3.jpg");
  LoadRows();
  params.NameSet = 2;
  const RunSummary s = RunFolder();
  EXPECT_EQ(s.planned, 3);
  EXPECT_EQ(s.written, 2);
  EXPECT_EQ(OutputNames(out.path()), (std::vector<std::string>{"00.jpg", "02.jpg"}));
  EXPECT_EQ(observer.outcomes[1].status, FileStatus::kNotJpeg);
  EXPECT_STREQ(FileStatusName(observer.outcomes[1].status), "not-a-jpeg");
}

TEST_F(RunTest, SameFolderCollisionsWithTheInputsThemselves) {
  outputFolder = in.folder();
  AddInput("a.jpeg");
  AddInput("a.jpg");
  LoadRows();
  ASSERT_EQ(rows[0].name, L"a.jpeg");
  RunFolder();
  EXPECT_EQ(OutputNames(in.path()), (std::vector<std::string>{"a+1.jpg", "a+2.jpg", "a.jpeg", "a.jpg"}));
  EXPECT_EQ(LastPathComponent(observer.outcomes[0].outputPath), L"a+1.jpg");
}

TEST_F(RunTest, DateNamingTwoPhotosOfTheSameSecond) {
  AddInput("x.jpg", "s007.jpg");
  AddInput("y.jpg", "s007.jpg");
  AddInput("y2.jpg");             // vanishes before the run: no date of its own
  AddInput("z.jpg", "s002.jpg");  // no Exif: named by input
  LoadRows();
  fs::remove(in.path() / "y2.jpg");
  params.NameSet = 1;
  RunFolder();
  EXPECT_EQ(OutputNames(out.path()),
            (std::vector<std::string>{"20100121_175750+1.jpg", "20100121_175750.jpg", "z.jpg"}));
  ASSERT_EQ(observer.outcomes.size(), 4u);
  EXPECT_EQ(observer.outcomes[0].exifDate, L"2010:01:21 17:57:50");
  EXPECT_EQ(observer.outcomes[2].status, FileStatus::kNotJpeg);
  EXPECT_TRUE(observer.outcomes[2].exifDate.empty());
  EXPECT_TRUE(observer.outcomes[3].exifDate.empty());
}

TEST_F(RunTest, SubFolderCreatedAndRemovedAgainWhenNothingWasWritten) {
  test::WriteAll(in.path() / "bad.jpg", {1, 2, 3});
  LoadRows();
  params.MkDirAdd = 1;
  params.MkDirStr = L"Output";
  const RunSummary s = RunFolder();
  EXPECT_EQ(s.written, 0);
  EXPECT_FALSE(fs::exists(out.path() / "Output"));
  ASSERT_EQ(observer.announced.size(), 1u);
  // With a good file the sub-folder stays and holds the output.
  AddInput("good.jpg");
  LoadRows();
  RunFolder();
  EXPECT_EQ(OutputNames(out.path() / "Output"), std::vector<std::string>{"good.jpg"});
  // A file in the way of the sub-folder: message 5, nothing converted.
  params.MkDirStr = L"blocked";
  test::WriteAll(out.path() / "blocked", {1});
  observer.outcomes.clear();
  EXPECT_FALSE(RunFolder().started);
  EXPECT_EQ(observer.messages.back(), MessageCode::kFolderCreate);
  EXPECT_TRUE(observer.outcomes.empty());
  // An empty sub-folder name writes into the output folder itself.
  params.MkDirStr.clear();
  RunFolder();
  EXPECT_TRUE(fs::exists(out.path() / "good.jpg"));
}

TEST_F(RunTest, InputsDisposedOnlyAfterTheirOutputWasWritten) {
  AddInput("keep-me-not.jpg");
  test::WriteAll(in.path() / "broken.jpg", {0xFF, 0xD8, 0});
  LoadRows();
  params.IFileDel = 1;
  params.Recycle = 0;
  RunFolder();
  EXPECT_FALSE(fs::exists(in.path() / "keep-me-not.jpg"));
  EXPECT_TRUE(fs::exists(out.path() / "keep-me-not.jpg"));
  EXPECT_TRUE(fs::exists(in.path() / "broken.jpg"));
  ASSERT_EQ(observer.outcomes.size(), 2u);
  EXPECT_EQ(observer.outcomes[0].disposal, DisposalResult::kKept);  // broken.jpg
  EXPECT_EQ(observer.outcomes[1].disposal, DisposalResult::kRemoved);
}

#ifdef _WIN32
TEST_F(RunTest, RecycledInputsLeaveTheirPlace) {
  AddInput("recycled.jpg");
  LoadRows();
  params.IFileDel = 1;
  params.Recycle = 1;
  RunFolder();
  EXPECT_TRUE(fs::exists(out.path() / "recycled.jpg"));
  EXPECT_FALSE(fs::exists(in.path() / "recycled.jpg"));
  ASSERT_EQ(observer.outcomes.size(), 1u);
  EXPECT_EQ(observer.outcomes[0].disposal, DisposalResult::kRemoved);
}
#else
// The recycle bin on POSIX is the freedesktop.org trash through GIO, which takes the trash folder from
// HOME and XDG_DATA_HOME the first time a process asks, and keeps it. So each recycling case runs in a
// child process (the test program started again for this one test) whose HOME is a folder of the test,
// beside the inputs: the trash is then on their file system wherever the temporary folder lives.
class RecycleTest : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    AddInput("recycled.jpg");
    LoadRows();
    params.IFileDel = 1;
    params.Recycle = 1;
  }
  // In the child: runs the conversion with the test's own trash and exits with 0 when `check` finds
  // nothing wrong, else prints what it found and exits with 1.
  template <typename Check>
  [[noreturn]] void RunInOwnTrash(Check check) {
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_DATA_HOME", (home.path() / "data").c_str(), 1);
    RunFolder();
    const std::string problem = check();
    std::fputs(problem.c_str(), stderr);
    // The fixture's destructors do not run in the child: its folders go here.
    for (const fs::path& folder : {in.path(), out.path(), home.path()}) fs::remove_all(folder);
    std::exit(problem.empty() ? 0 : 1);
  }
  std::string Outcome(DisposalResult disposal) const {
    if (observer.outcomes.size() != 1 || observer.outcomes[0].status != FileStatus::kConverted) return "not converted";
    if (!fs::exists(out.path() / "recycled.jpg")) return "no output";
    return observer.outcomes[0].disposal == disposal ? "" : "wrong disposal result";
  }
  test::ScratchDir home;
};

TEST_F(RecycleTest, RecycledInputsMoveToTheTrash) {
  EXPECT_EXIT(RunInOwnTrash([&]() -> std::string {
                if (fs::exists(in.path() / "recycled.jpg")) return "input still in place";
                if (!fs::exists(home.path() / "data" / "Trash" / "files" / "recycled.jpg")) return "not in the trash";
                return Outcome(DisposalResult::kRemoved);
              }),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(RecycleTest, ARefusedRecycleKeepsTheInput) {
  // The trash cannot be made where a file holds its name.
  fs::create_directories(home.path() / "data");
  test::WriteAll(home.path() / "data" / "Trash", {1});
  EXPECT_EXIT(RunInOwnTrash([&]() -> std::string {
                if (!fs::exists(in.path() / "recycled.jpg")) return "input gone";
                return Outcome(DisposalResult::kFailed);
              }),
              ::testing::ExitedWithCode(0), "");
}
#endif

TEST_F(RunTest, CancelAskedAfterEachFileNoGoesOnYesStops) {
  for (const char* name : {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"}) AddInput(name);
  LoadRows();
  observer.cancelAfter = 2;
  observer.cancelAnswers = {false, true};
  const RunSummary s = RunFolder();
  EXPECT_TRUE(s.cancelled);
  EXPECT_EQ(s.planned, 5);
  EXPECT_EQ(s.written, 3);
  EXPECT_EQ(observer.questions, 2);
  EXPECT_EQ(observer.ended.written, 3);
  EXPECT_EQ(OutputNames(out.path()).size(), 3u);
}

TEST_F(RunTest, VanishedInputsAndLongJapaneseNames) {
  const std::string longName = std::string(190, 'n') + "\xe5\x86\x99\xe7\x9c\x9f.jpg";  // 190 + 写真
  AddInput(longName);
  AddInput("gone.jpg");
  LoadRows();
  fs::remove(in.path() / "gone.jpg");
  const RunSummary s = RunFolder();
  EXPECT_EQ(s.planned, 2);
  EXPECT_EQ(s.written, 1);
  EXPECT_TRUE(fs::exists(out.path() / fs::u8path(longName)));
}

TEST_F(RunTest, FileListRunTakesTheInputsInTheirOrderWithTheirNames) {
  AddInput("a.jpg");
  AddInput("b.jpg");
  test::WriteAll(in.path() / "notes.txt", {'h', 'i'});
  RunRequest request;
  request.inputs = RunInputsOf({in.file("b.jpg"), in.file("notes.txt"), in.file("a.jpg")});
  request.outputFolder = DefaultOutputFolder(L"", request.inputs);
  request.source = RunSource::kCommandLine;
  request.params.NameSet = 2;
  request.params.StartNum = 1;
  const RunSummary s = ExecuteRun(request, observer);
  EXPECT_EQ(s.planned, 3);
  EXPECT_EQ(s.written, 2);
  // Serial numbers count every input; next to the first input with no Send To folder.
  EXPECT_EQ(LastPathComponent(observer.outcomes[0].outputPath), L"01.jpg");
  EXPECT_EQ(observer.outcomes[0].inputPath, in.file("b.jpg"));
  EXPECT_EQ(observer.outcomes[1].status, FileStatus::kNotJpeg);
  EXPECT_TRUE(fs::exists(in.path() / "03.jpg"));
  EXPECT_EQ(DefaultOutputFolder(out.folder(), request.inputs), out.folder());
  EXPECT_TRUE(DefaultOutputFolder(L"", {}).empty());
}

// The run reads its own copy: what happens to the front end's record meanwhile does not reach it.
TEST_F(RunTest, TheRequestIsTheRunsOnlySource) {
  AddInput("a.jpg");
  AddInput("b.jpg");
  LoadRows();
  params.TopAdd = 1;
  params.TopStr = L"web_";
  const RunRequest request = FolderRequest();
  params.TopStr = L"changed_";
  ExecuteRun(request, observer);
  EXPECT_EQ(OutputNames(out.path()), (std::vector<std::string>{"web_a.jpg", "web_b.jpg"}));
  // The disposal comes from the request, not from the parameters' flags.
  RunRequest deleting = request;
  deleting.outputFolder = in.folder();
  deleting.disposal = InputDisposal::kDelete;
  ExecuteRun(deleting, observer);
  EXPECT_EQ(OutputNames(in.path()), (std::vector<std::string>{"web_a.jpg", "web_b.jpg"}));
}

TEST(CopyFileNoReplace, NeverTouchesAnExistingTarget) {
  test::ScratchDir dir;
  test::WriteAll(dir.path() / "src", {1, 2, 3});
  test::WriteAll(dir.path() / "taken", {9});
  EXPECT_EQ(CopyFileNoReplace(dir.file("src"), dir.file("taken"), CopyDurability::kCached), CopyResult::kTargetExists);
  EXPECT_EQ(test::ReadAll(dir.path() / "taken"), std::vector<unsigned char>{9});
  EXPECT_EQ(CopyFileNoReplace(dir.file("src"), dir.file("new"), CopyDurability::kCached), CopyResult::kCopied);
  EXPECT_EQ(test::ReadAll(dir.path() / "new"), (std::vector<unsigned char>{1, 2, 3}));
  EXPECT_EQ(CopyFileNoReplace(dir.file("missing"), dir.file("other"), CopyDurability::kOnDisk), CopyResult::kFailed);
  EXPECT_FALSE(fs::exists(dir.path() / "other"));
}

class NameListingTest : public RunTest {
 protected:
  std::vector<std::wstring> Outputs() {
    std::vector<std::wstring> names;
    const std::optional<std::vector<NameCheckRow>> planned = PlanOutputNames(FolderRequest());
    EXPECT_TRUE(planned.has_value());
    for (const NameCheckRow& r : planned.value_or(std::vector<NameCheckRow>{}))
      if (!r.outputName.empty()) names.push_back(r.outputName);
    return names;
  }
};

TEST_F(NameListingTest, SerialNamesAgainstExistingOutputs) {
  test::WriteAll(out.path() / "01.jpg", {1});
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) AddInput(name);
  LoadRows();
  params.NameSet = 2;
  params.StartNum = 1;
  EXPECT_EQ(Outputs(), (std::vector<std::wstring>{L"01+1.jpg", L"02.jpg", L"03.jpg"}));
}

TEST_F(NameListingTest, SameFolderDeletionFreesTheInputsName) {
  outputFolder = in.folder();
  params.IFileDel = 1;
  AddInput("a.jpg");
  AddInput("b.jpg");
  LoadRows();
  EXPECT_EQ(Outputs(), (std::vector<std::wstring>{L"a+1.jpg", L"b+1.jpg"}));
  fs::remove(in.path() / "a.jpg");
  fs::remove(in.path() / "b.jpg");
  AddInput("01.jpg");
  AddInput("x.jpg");
  LoadRows();
  params.NameSet = 2;
  EXPECT_EQ(Outputs(), (std::vector<std::wstring>{L"00.jpg", L"01.jpg"}));
}

TEST_F(NameListingTest, CaseInsensitiveExistingNamesDatesAndVanishedFiles) {
  test::WriteAll(out.path() / "ABC.JPG", {1});
  AddInput("abc.jpg");
  AddInput("d1.jpg", "s028.jpg");
  AddInput("d2.jpg", "s028.jpg");
  AddInput("gone.jpg");
  LoadRows();
  fs::remove(in.path() / "gone.jpg");
  params.NameSet = 1;
  EXPECT_EQ(Outputs(), (std::vector<std::wstring>{L"abc+1.jpg", L"20170402_213351.jpg", L"20170402_213351+1.jpg"}));
  // The run writes the same names: ABC.JPG takes abc.jpg also where the file system tells case apart.
  RunFolder();
  EXPECT_EQ(OutputNames(out.path()),
            (std::vector<std::string>{"20170402_213351+1.jpg", "20170402_213351.jpg", "ABC.JPG", "abc+1.jpg"}));
}

}  // namespace
}  // namespace qv
