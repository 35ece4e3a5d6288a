// The command line's run request (inputs, shown names, the output folder and its problems) and the
// reports a run gives its observer: in their order, and the same for a command-line request and a folder
// request over the same files with the same settings.
#include <gtest/gtest.h>

#include <filesystem>

#include "batch/input_listing.h"
#include "batch/run.h"
#include "cli/cli_request.h"
#include "platform/files.h"
#include "platform/system_folders.h"
#include "recording_observer.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace qv::cli {
namespace {

namespace fs = std::filesystem;

class CliRequestTest : public ::testing::Test {
 protected:
  void AddInput(const fs::path& folder, const std::string& name, const std::string& corpusFile = "s002.jpg") {
    fs::copy_file(test::DataDir() / corpusFile, folder / name);
    fs::permissions(folder / name, fs::perms::owner_write, fs::perm_options::add);
  }
  bool Build() { return BuildCliRequest(options, params, appOptions, run); }
  std::vector<CliMessage> ProblemMessages() const {
    std::vector<CliMessage> messages;
    for (const Problem& p : run.problems) messages.push_back(p.message);
    return messages;
  }

  test::ScratchDir in, out;
  CliOptions options;
  ConversionParams params;
  AppOptions appOptions;
  CliRun run;
};

TEST_F(CliRequestTest, InputsInTheOrderGivenWithTheirShownNamesAndRefusedPaths) {
  AddInput(in.path(), "b.jpg");
  AddInput(in.path(), "a10.jpg");
  AddInput(in.path(), "a9.jpeg");
  test::WriteAll(in.path() / "notes.txt", {1});
  AddInput(out.path(), "single.JPG");
  const std::wstring folderArg = in.path().wstring();
  options.paths = {folderArg, out.file("single.JPG"), in.file("missing.jpg")};
#ifndef _WIN32
  ASSERT_EQ(mkfifo((in.path() / "pipe.jpg").c_str(), 0600), 0);
  options.paths.push_back(in.file("pipe.jpg"));
#endif
  ASSERT_TRUE(Build());
  std::vector<RunInput> expected;
  for (const wchar_t* name : {L"a9.jpeg", L"a10.jpg", L"b.jpg"}) expected.push_back({JoinPath(folderArg, name), name});
  expected.push_back({out.file("single.JPG"), L"single.JPG"});
  EXPECT_EQ(run.request.inputs, expected);
  EXPECT_EQ(run.shown, (std::vector<std::wstring>{JoinPath(folderArg, L"a9.jpeg"), JoinPath(folderArg, L"a10.jpg"),
                                                  JoinPath(folderArg, L"b.jpg"), out.file("single.JPG")}));
#ifndef _WIN32
  EXPECT_EQ(ProblemMessages(), (std::vector<CliMessage>{CliMessage::kNoSuchPath, CliMessage::kNotRegularFile}));
#else
  EXPECT_EQ(ProblemMessages(), std::vector<CliMessage>{CliMessage::kNoSuchPath});
#endif
  EXPECT_EQ(run.problems[0].path, in.file("missing.jpg"));
  // With no -o and no Send To folder, next to the first input.
  EXPECT_EQ(run.request.outputFolder, ParentPath(expected.front().path));
}

TEST_F(CliRequestTest, OutputFolderChoiceAndItsProblems) {
  AddInput(in.path(), "a.jpg");
  test::WriteAll(out.path() / "file", {1});
  const std::wstring missing = out.file("missing");
  struct Case {
    std::wstring dashO, sendTo;
    std::wstring folder;  // when the request is ready
    CliMessage problem;   // else
    std::wstring subject;
  };
  const std::vector<Case> cases = {
      {out.file("."), L"", out.file("."), {}, L""},
      {out.file("."), missing, out.file("."), {}, L""},  // -o wins
      {L"", out.folder(), out.folder(), {}, L""},
      {L"", missing, L"", CliMessage::kNoSuchFolder, L"SdToPath " + missing},
      {out.file("file"), L"", L"", CliMessage::kNotAFolder, L"-o " + out.file("file")},
  };
  for (const Case& c : cases) {
    options = CliOptions{};
    options.paths = {in.file("a.jpg")};
    options.outputFolder = c.dashO;
    appOptions.SdToPath = c.sendTo;
    const bool ready = Build();
    EXPECT_EQ(ready, !c.folder.empty()) << c.dashO << " " << c.sendTo;
    if (ready) {
      EXPECT_EQ(run.request.outputFolder, AbsolutePath(c.folder));
      EXPECT_TRUE(run.problems.empty());
    } else {
      ASSERT_EQ(run.problems.size(), 1u);
      EXPECT_EQ(run.problems[0].message, c.problem);
      EXPECT_EQ(run.problems[0].subject, c.subject);
    }
  }
}

TEST_F(CliRequestTest, NothingToRunAndWhatARunCarries) {
  options.paths = {in.file("missing.jpg")};
  EXPECT_FALSE(Build());
  EXPECT_EQ(ProblemMessages(), std::vector<CliMessage>{CliMessage::kNoSuchPath});
  options.paths = {in.path().wstring()};  // a folder without JPEG files
  EXPECT_FALSE(Build());
  EXPECT_EQ(ProblemMessages(), std::vector<CliMessage>{CliMessage::kNothingToConvert});

  AddInput(in.path(), "a.jpg");
  params.Quality = 42;
  params.IFileDel = 1;
  for (const auto& [recycle, disposal] : {std::pair{0, InputDisposal::kDelete}, {1, InputDisposal::kRecycle}}) {
    params.Recycle = static_cast<uint8_t>(recycle);
    ASSERT_TRUE(Build());
    EXPECT_EQ(run.request.params, params);
    EXPECT_EQ(run.request.disposal, disposal);
    EXPECT_EQ(run.request.source, RunSource::kCommandLine);
    EXPECT_TRUE(run.request.tempFolder.empty());
    EXPECT_EQ(run.request.jobs, ProcessorCount());
  }
  options.jobs = 3;
  ASSERT_TRUE(Build());
  EXPECT_EQ(run.request.jobs, 3);
}

// Date naming into a sub-folder over a photo with a date, one without and a broken file, stopped after
// the second file: the reports in their order.
class RunReportsTest : public CliRequestTest {
 protected:
  void SetUp() override {
    AddInput(in.path(), "1.jpg", "s007.jpg");
    test::WriteAll(in.path() / "2.jpg", {0xFF, 0xD8, 0});
    AddInput(in.path(), "3.jpg");
    AddInput(in.path(), "4.jpg");
    params.NameSet = 1;
    params.MkDirAdd = 1;
    params.MkDirStr = L"web";
    options.paths = {in.path().wstring()};
    options.outputFolder = out.path().wstring();
  }
  std::vector<std::wstring> Record(const RunRequest& request) {
    fs::remove_all(out.path() / "web");
    test::RecordingObserver observer;
    observer.cancelAfter = 3;
    ExecuteRun(request, observer);
    return observer.calls;
  }
};

TEST_F(RunReportsTest, ACommandLineRequestReportsEachStepInOrder) {
  ASSERT_TRUE(Build());
  const std::vector<std::wstring> expected = {
      L"begin 4",
      L"starting 0 1.jpg",
      L"done 0 1.jpg converted -> 20100121_175750.jpg 243x324 q75 disposal 0 date '2010:01:21 17:57:50'",
      L"poll",
      L"starting 1 2.jpg",
      L"done 1 2.jpg decode-failed ->  0x0 q0 disposal 0 date ''",
      L"poll",
      L"starting 2 3.jpg",
      L"done 2 3.jpg converted -> 3.jpg 19x13 q75 disposal 0 date ''",
      L"poll",
      L"confirm",
      L"subfolder web",
      L"end 4 2 cancelled",
  };
  EXPECT_EQ(Record(run.request), expected);
  // A sub-folder that cannot be made: its message and nothing else.
  fs::remove_all(out.path() / "web");
  test::WriteAll(out.path() / "web", {1});
  test::RecordingObserver observer;
  EXPECT_FALSE(ExecuteRun(run.request, observer).started);
  EXPECT_EQ(observer.calls, std::vector<std::wstring>{L"message 5"});
}

// The window's folder run takes the checked rows of its listed folder; over the same files with the
// same settings its request is the command line's but for the source (and its jobs), and the reports
// are the same, one file at a time and with every processor.
TEST_F(RunReportsTest, AFolderRequestOverTheSameFilesReportsTheSame) {
  ASSERT_TRUE(Build());
  std::vector<RunRow> rows;
  for (const InputRow& row : ListInputFolder(in.path().wstring(), appOptions.Hidden)) rows.push_back({row.name, true});
  RunRequest folderRequest;
  folderRequest.inputs = CheckedRunInputs(in.path().wstring(), rows);
  folderRequest.outputFolder = AbsolutePath(out.path().wstring());
  folderRequest.params = params;
  folderRequest.disposal = DisposalOf(params);
  RunRequest cliRequest = run.request;
  cliRequest.source = RunSource::kFolder;
  cliRequest.jobs = 1;  // the folder request converts one file at a time, the command line's with all processors
  EXPECT_EQ(folderRequest, cliRequest);
  EXPECT_EQ(Record(folderRequest), Record(run.request));
}

}  // namespace
}  // namespace qv::cli
