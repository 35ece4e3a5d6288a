// Runs with several jobs against the same runs one file at a time: the same reports in the same order,
// the same files under the same names, for every naming rule and the options that change what a run
// writes, with failing files among the good ones; a cancel with workers ahead leaves no temporary file;
// and the workers' bounds (files waiting, the memory share, inputs that come again).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "batch/conversion_pipeline.h"
#include "batch/run.h"
#include "engine/memory_estimate.h"
#include "recording_observer.h"
#include "test_support.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// More jobs than the test machines have processors, so that the workers really overlap.
constexpr int kParallelJobs = 4;

std::wstring Utf8(const std::string& s) { return fs::u8path(s).wstring(); }

// A 910-byte progressive file patched to declare 64250 x 64250: refused within the memory limit.
std::vector<unsigned char> DecompressionBomb() {
  std::vector<unsigned char> bytes = test::ReadAll(test::DataDir() / "s043.jpg");
  for (size_t i = 0; i + 9 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC2) {
      for (size_t k = 5; k < 9; ++k) bytes[i + k] = 0xFA;
      break;
    }
  }
  return bytes;
}

// The inputs of every run, in this order: photos with and without a date (two taken in the same
// second), progressive and truncated files, and files that fail (not a JPEG, a damaged header, a bomb).
const std::vector<std::pair<std::string, std::string>> kInputs = {
    {"01.jpg", "s007.jpg"}, {"02.jpg", "s007.jpg"}, {"03.jpg", "s002.jpg"}, {"04.jpg", "text"},
    {"05.jpg", "s036.jpg"}, {"06.jpg", "s004.jpg"}, {"07.jpg", "s006.jpg"}, {"08.jpg", "bomb"},
    {"09.jpg", "s015.jpg"}, {"10.jpg", "s050.jpg"}, {"11.jpg", "s046.jpg"}, {"12.jpg", "s039.jpg"},
    {"13.jpg", "s024.jpg"}, {"14.jpg", "s002.jpg"},
};

// One run's folders: inputs, outputs and temporary files, each fresh.
class RunTree {
 public:
  explicit RunTree(const std::vector<std::string>& inOutputFolder) {
    fs::create_directories(in());
    fs::create_directories(out());
    fs::create_directories(tmp());
    for (const auto& [name, source] : kInputs) {
      if (source == "text")
        test::WriteAll(in() / name, {'n', 'o', 't', 'e', 's'});
      else if (source == "bomb")
        test::WriteAll(in() / name, DecompressionBomb());
      else
        fs::copy_file(test::DataDir() / source, in() / name);
      fs::permissions(in() / name, fs::perms::owner_write, fs::perm_options::add);
    }
    for (const std::string& name : inOutputFolder) test::WriteAll(out() / name, {'x'});
  }
  fs::path in() const { return dir_.path() / "in"; }
  fs::path out() const { return dir_.path() / "out"; }
  fs::path tmp() const { return dir_.path() / "tmp"; }

  // Every file under `folder` (sub-folders included) by its relative path, with its bytes.
  static std::map<std::string, std::vector<unsigned char>> Files(const fs::path& folder) {
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
      if (e.is_regular_file()) files[fs::relative(e.path(), folder).generic_u8string()] = test::ReadAll(e.path());
    return files;
  }

 private:
  test::ScratchDir dir_;
};

struct Recorded {
  std::vector<std::wstring> calls;
  std::vector<uint64_t> bytes;
  RunSummary summary;
  std::map<std::string, std::vector<unsigned char>> outputs;
  std::map<std::string, std::vector<unsigned char>> inputsLeft;
  size_t tempLeft = 0;
};

struct Case {
  const char* what;
  std::function<void(ConversionParams&)> set;
  bool outputIntoInputFolder = false;
  std::vector<std::string> inOutputFolder;  // files there before the run
  // Inputs given a second time under another spelling ("in/./name"; on Windows also in capitals), that
  // many places after the first: within the files converted ahead, and beyond them.
  std::vector<std::pair<std::string, int>> repeated;
};

// The other spelling of an input given again: the same file, not the same string.
fs::path Respelled(const fs::path& folder, const std::string& name) {
#ifdef _WIN32
  std::string upper = name;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return folder / "." / upper;
#else
  return folder / "." / name;
#endif
}

Recorded RunCase(const Case& c, int jobs, int cancelAfter = -1) {
  RunTree tree(c.inOutputFolder);
  RunRequest request;
  for (const auto& input : kInputs) request.inputs.push_back({(tree.in() / input.first).wstring(), Utf8(input.first)});
  for (const auto& [name, distance] : c.repeated) {
    const auto first = std::find_if(request.inputs.begin(), request.inputs.end(),
                                    [&](const RunInput& in) { return in.name == Utf8(name); });
    request.inputs.insert(first + distance, RunInput{Respelled(tree.in(), name).wstring(), Utf8(name)});
  }
  c.set(request.params);
  request.disposal = DisposalOf(request.params);
  request.outputFolder = (c.outputIntoInputFolder ? tree.in() : tree.out()).wstring();
  request.tempFolder = tree.tmp().wstring() + static_cast<wchar_t>(fs::path::preferred_separator);
  request.jobs = jobs;
  test::RecordingObserver observer;
  observer.cancelAfter = cancelAfter;
  Recorded r;
  r.summary = ExecuteRun(request, observer);
  r.calls = observer.calls;
  for (const FileOutcome& o : observer.outcomes) r.bytes.push_back(o.bytes);
  r.outputs = RunTree::Files(tree.out());
  r.inputsLeft = RunTree::Files(tree.in());
  r.tempLeft = RunTree::Files(tree.tmp()).size();
  return r;
}

void ExpectSameRun(const Recorded& one, const Recorded& many, const std::string& what) {
  EXPECT_EQ(many.calls, one.calls) << what;
  EXPECT_EQ(many.bytes, one.bytes) << what;
  EXPECT_EQ(many.summary.planned, one.summary.planned) << what;
  EXPECT_EQ(many.summary.written, one.summary.written) << what;
  EXPECT_EQ(many.summary.cancelled, one.summary.cancelled) << what;
  EXPECT_TRUE(many.outputs == one.outputs) << what;  // names and bytes
  EXPECT_TRUE(many.inputsLeft == one.inputsLeft) << what;
  EXPECT_EQ(one.tempLeft, 0u) << what;
  EXPECT_EQ(many.tempLeft, 0u) << what;
}

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"input name, a same-named file in the output folder",
       [](ConversionParams& p) { p.NameSet = 0; },
       false,
       {"03.jpg", "10.jpg"},
       {}},
      {"date taken, two photos of the same second", [](ConversionParams& p) { p.NameSet = 1; }, false, {}, {}},
      {"serial numbers across failing files",
       [](ConversionParams& p) {
         p.NameSet = 2;
         p.DigitNum = 3;
         p.StartNum = 7;
       },
       false,
       {},
       {}},
      {"size bound, progressive, comment, scale 2",
       [](ConversionParams& p) {
         p.Limit = 1;
         p.LmtVal = 2;
         p.ScaleNum = 2;
         p.Progressive = 1;
         p.CmtOpt = 1;
         p.CmtStr1 = L"web\r\ncopy";
       },
       false,
       {},
       {}},
      {"sub-folder with prefix and suffix",
       [](ConversionParams& p) {
         p.MkDirAdd = 1;
         p.MkDirStr = L"web";
         p.TopAdd = 1;
         p.TopStr = L"a_";
         p.EndAdd = 1;
         p.EndStr = L"_z";
       },
       false,
       {},
       {}},
      {"inputs deleted, outputs beside them, an input given twice",
       [](ConversionParams& p) {
         p.NameSet = 2;
         p.DigitNum = 2;
         p.StartNum = 2;
         p.IFileDel = 1;
         p.Recycle = 0;
       },
       true,
       {},
       {{"01.jpg", 2}, {"03.jpg", 7}}},
  };
  return cases;
}

TEST(ParallelRun, GivesTheSameReportsNamesAndBytesAsOneFileAtATime) {
  for (const Case& c : Cases()) {
    const Recorded one = RunCase(c, 1);
    const Recorded many = RunCase(c, kParallelJobs);
    ExpectSameRun(one, many, c.what);
    // A file given again waits for its turn instead of being converted ahead and then again; the
    // others do not wait.
    EXPECT_EQ(many.summary.reconverted, 0) << c.what;
    EXPECT_GT(many.summary.pipeline.convertedAhead, 3) << c.what;
  }
}

TEST(ParallelRun, FailingFilesAreSkippedInTheirPlaceAndTheOthersConvert) {
  const Recorded many = RunCase(Cases()[0], kParallelJobs);
  ASSERT_EQ(many.bytes.size(), kInputs.size());
  EXPECT_EQ(many.summary.planned, 14);
  EXPECT_EQ(many.summary.written, 11);
  const std::vector<std::wstring> failures = {
      L"done 3 04.jpg not-a-jpeg ->  0x0 q0 disposal 0 date ''",
      L"done 5 06.jpg decode-failed ->  0x0 q0 disposal 0 date ''",
      L"done 7 08.jpg decode-failed ->  0x0 q0 disposal 0 date ''",
  };
  for (const std::wstring& line : failures)
    EXPECT_NE(std::find(many.calls.begin(), many.calls.end(), line), many.calls.end()) << line;
  // The truncated files decode to their full size; the names taken before the run get "+1".
  EXPECT_EQ(many.outputs.count("09.jpg"), 1u);
  EXPECT_EQ(many.outputs.count("11.jpg"), 1u);
  EXPECT_EQ(many.outputs.count("03+1.jpg"), 1u);
  EXPECT_EQ(many.outputs.count("10+1.jpg"), 1u);
}

TEST(ParallelRun, CancelWithWorkersAheadStopsAfterTheFileWhoseTurnItWas) {
  // Inputs are deleted once their output is written: a cancel must not lose any.
  const Case& c = Cases()[5];
  const Recorded one = RunCase(c, 1, 3);
  const Recorded many = RunCase(c, kParallelJobs, 3);
  ExpectSameRun(one, many, "cancelled after three files");
  EXPECT_TRUE(many.summary.cancelled);
  // 01 and 02 written and removed, 01 again found gone; every other input still there.
  EXPECT_EQ(many.summary.written, 2);
  EXPECT_EQ(many.outputs.size(), 0u);                 // written beside the inputs
  EXPECT_EQ(many.inputsLeft.size(), kInputs.size());  // 12 inputs left, 2 outputs beside them
}

// The command line's interrupt: the run stops after the file whose turn it is, and the workers start
// nothing beyond it once the stop is known.
class InterruptingObserver : public test::RecordingObserver {
 public:
  std::atomic<bool> interrupted{false};
  int interruptAt = 2;
  void FileStarting(int index, const std::wstring& inputPath) override {
    RecordingObserver::FileStarting(index, inputPath);
    if (index == interruptAt) interrupted.store(true);
  }
  bool PollCancelRequest() override {
    RecordingObserver::PollCancelRequest();
    return interrupted.load();
  }
};

TEST(ParallelRun, AStopHintEndsTheRunWithoutLeftoversAndStartsNothingAhead) {
  // Interrupted while the third file starts, and before the run began: the workers start nothing
  // beyond the file whose turn it is once the stop is known.
  for (const bool before : {false, true}) {
    RunTree tree({});
    RunRequest request;
    for (const auto& input : kInputs) request.inputs.push_back({(tree.in() / input.first).wstring(), Utf8(input.first)});
    request.outputFolder = tree.out().wstring();
    request.tempFolder = tree.tmp().wstring() + static_cast<wchar_t>(fs::path::preferred_separator);
    request.jobs = kParallelJobs;
    InterruptingObserver observer;
    observer.interrupted.store(before);
    request.stopHint = &observer.interrupted;
    const RunSummary summary = ExecuteRun(request, observer);
    const int written = before ? 1 : 3;
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(observer.outcomes.size(), static_cast<size_t>(written));
    EXPECT_EQ(summary.written, written);
    EXPECT_EQ(RunTree::Files(tree.out()).size(), static_cast<size_t>(written));
    EXPECT_TRUE(RunTree::Files(tree.tmp()).empty());
    if (before) {
      EXPECT_EQ(summary.pipeline.conversions, 1);
    }
  }
}

// Files in `folder` now.
size_t CountFiles(const fs::path& folder) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.is_regular_file() ? 1 : 0;
  return n;
}

// Before the run takes its first file, replaces an input (07.jpg, 2560 x 1920: 320 x 240 at 1/8) by
// another photo (s005, 2560 x 1600), once the workers have converted that many files ahead of the run.
class ReplacingObserver : public test::RecordingObserver {
 public:
  fs::path tmp, input;
  size_t convertedAhead = 0;
  void FileStarting(int index, const std::wstring& inputPath) override {
    RecordingObserver::FileStarting(index, inputPath);
    if (index != 0) return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (CountFiles(tmp) < convertedAhead && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const fs::path next = input.string() + ".new";
    fs::copy_file(test::DataDir() / "s005.jpg", next);
    fs::rename(next, input);  // as an editor or a sync tool saves
  }
};

TEST(ParallelRun, AnInputSavedAnewAfterAWorkerReadItIsConvertedAgainAtItsTurn) {
  for (const int jobs : {1, kParallelJobs}) {
    RunTree tree({});
    RunRequest request;
    for (const char* name : {"01.jpg", "02.jpg", "03.jpg", "07.jpg"})
      request.inputs.push_back({(tree.in() / name).wstring(), Utf8(name)});
    request.outputFolder = tree.out().wstring();
    request.tempFolder = tree.tmp().wstring() + static_cast<wchar_t>(fs::path::preferred_separator);
    request.jobs = jobs;
    request.params.IFileDel = 1;
    request.params.Recycle = 0;
    request.disposal = InputDisposal::kDelete;
    ReplacingObserver observer;
    observer.tmp = tree.tmp();
    observer.input = tree.in() / "07.jpg";
    observer.convertedAhead = jobs > 1 ? 4 : 0;
    const RunSummary summary = ExecuteRun(request, observer);
    ASSERT_EQ(observer.outcomes.size(), 4u);
    const FileOutcome& replaced = observer.outcomes[3];
    EXPECT_EQ(replaced.width, 320) << jobs;  // the new picture, not the one read before
    EXPECT_EQ(replaced.height, 200) << jobs;
    EXPECT_EQ(replaced.disposal, DisposalResult::kRemoved) << jobs;
    EXPECT_EQ(summary.reconverted, jobs > 1 ? 1 : 0) << jobs;
    EXPECT_FALSE(fs::exists(observer.input));
  }
}

// Cancels after the first file, once the large one is being encoded (its temporary file exists).
class CancelDuringEncodeObserver : public test::RecordingObserver {
 public:
  fs::path tmp;
  void FileDone(const FileOutcome& o) override {
    RecordingObserver::FileDone(o);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (CountFiles(tmp) == 0 && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
};

TEST(ParallelRun, TheFrontEndIsKeptAliveWhileTheRunWaitsForAWorker) {
  // A large photo (a second or so) beside a tiny one: waited for at its turn, and after a cancel.
  for (const bool largeFirst : {true, false}) {
    test::ScratchDir dir;
    fs::copy_file(test::DataDir() / "s030.jpg", dir.path() / "large.jpg");
    fs::copy_file(test::DataDir() / "s002.jpg", dir.path() / "small.jpg");
    RunRequest request;
    for (const char* name : largeFirst ? std::vector<const char*>{"large.jpg", "small.jpg"}
                                       : std::vector<const char*>{"small.jpg", "large.jpg"})
      request.inputs.push_back({(dir.path() / name).wstring(), Utf8(name)});
    fs::create_directories(dir.path() / "out");
    fs::create_directories(dir.path() / "tmp");
    request.outputFolder = (dir.path() / "out").wstring();
    request.tempFolder = (dir.path() / "tmp").wstring() + static_cast<wchar_t>(fs::path::preferred_separator);
    request.params.ScaleNum = 8;
    request.jobs = 2;
    CancelDuringEncodeObserver observer;
    observer.tmp = dir.path() / "tmp";
    observer.cancelAfter = largeFirst ? -1 : 1;
    ExecuteRun(request, observer);
    EXPECT_GT(observer.keepAlives, 0) << (largeFirst ? "waiting for its turn" : "stopping");
  }
}

// ---- the pipeline alone ---------------------------------------------------------------------------

std::vector<ConversionPipeline::Input> PipelineInputs(const RunTree& tree) {
  std::vector<ConversionPipeline::Input> inputs;
  for (const auto& input : kInputs) inputs.push_back({(tree.in() / input.first).wstring(), false});
  return inputs;
}

TEST(ConversionPipeline, KeepsAFewFinishedFilesWaitingAndDeletesWhatIsNotTaken) {
  RunTree tree({});
  ConversionParams params;
  ConversionPipeline::Settings settings;
  settings.workers = kParallelJobs;
  const std::wstring temp = tree.tmp().wstring() + static_cast<wchar_t>(fs::path::preferred_separator);
  {
    ConversionPipeline pipeline(params, temp, PipelineInputs(tree), settings);
    ASSERT_TRUE(pipeline.Start());
    // A slow taker: the workers fill what may wait and then wait themselves.
    for (int i = 0; i < 6; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      const ConvertedFile file = pipeline.Take(i);
      if (!file.ok) continue;
      EXPECT_TRUE(fs::exists(fs::path(file.tempPath)));
      fs::remove(fs::path(file.tempPath));
    }
    EXPECT_LE(pipeline.PeakFinishedWaiting(), pipeline.MaxFinishedWaiting());
    EXPECT_GE(pipeline.PeakFinishedWaiting(), 1);
  }  // abandoned with files ahead
  EXPECT_TRUE(RunTree::Files(tree.tmp()).empty());
}

TEST(ConversionPipeline, ADecodeBeyondTheWorkersShareIsTriedAgainAloneWithTheWholeLimit) {
  // A progressive 3264 x 2448 photo: its coefficient buffers need about 24 MB.
  RunTree tree({});
  fs::copy_file(test::DataDir() / "s030.jpg", tree.in() / "big.jpg");
  ConversionParams params;
  const std::wstring temp = tree.tmp().wstring() + static_cast<wchar_t>(fs::path::preferred_separator);
  struct Limit {
    uint64_t bytes;
    bool fits;
  };
  for (const Limit& limit : {Limit{40u << 20, true}, Limit{10u << 20, false}}) {
    // One file at a time, as the run with one job decodes it.
    CodecStates states;
    ASSERT_TRUE(PrepareCodecStates(states));
    states.decoder->memoryLimit = limit.bytes;
    ConversionContext ctx;
    ctx.params = &params;
    ctx.states = &states;
    ctx.tempFolder = temp;
    const ConvertedFile alone = ConvertInput(ctx, (tree.in() / "big.jpg").wstring());
    ASSERT_EQ(alone.ok, limit.fits);
    if (alone.ok) fs::remove(fs::path(alone.tempPath));
    ReleaseCodecStates(states);
    // Four workers share the limit (10 MB each for 40 MB): the same result.
    ConversionPipeline::Settings settings;
    settings.workers = kParallelJobs;
    settings.memoryLimit = limit.bytes;
    std::vector<ConversionPipeline::Input> inputs(6, {(tree.in() / "big.jpg").wstring(), false});
    ConversionPipeline pipeline(params, temp, inputs, settings);
    ASSERT_TRUE(pipeline.Start());
    for (int i = 0; i < 6; ++i) {
      const ConvertedFile file = pipeline.Take(i);
      EXPECT_EQ(file.ok, limit.fits) << i;
      if (file.ok) fs::remove(fs::path(file.tempPath));
    }
  }
  EXPECT_TRUE(RunTree::Files(tree.tmp()).empty());
}

TEST(ConversionPipeline, AnInputThatWaitsForItsTurnStartsOnlyWhenTaken) {
  // The second input is the first one again, removed by the taker before its turn: it must be found
  // missing, as a run one file at a time finds it.
  RunTree tree({});
  ConversionParams params;
  ConversionPipeline::Settings settings;
  settings.workers = kParallelJobs;
  const std::wstring first = (tree.in() / "01.jpg").wstring();
  std::vector<ConversionPipeline::Input> inputs = {
      {first, false}, {first, true}, {(tree.in() / "03.jpg").wstring(), false}};
  ConversionPipeline pipeline(params, tree.tmp().wstring() + static_cast<wchar_t>(fs::path::preferred_separator),
                              inputs, settings);
  ASSERT_TRUE(pipeline.Start());
  const ConvertedFile one = pipeline.Take(0);
  ASSERT_TRUE(one.ok);
  fs::remove(fs::path(one.tempPath));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a worker that went ahead would be done
  fs::remove(fs::path(first));
  EXPECT_EQ(pipeline.Take(1).failure, ConversionFailure::kNotJpeg);
  const ConvertedFile three = pipeline.Take(2);
  EXPECT_TRUE(three.ok);
  if (three.ok) fs::remove(fs::path(three.tempPath));
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(ConversionPipeline, ARetryAloneFindsTheTemporaryFolderAsOneFileAtATimeWould) {
  // File 1 fails beside the others (as when they fill the temporary folder) after they are done; its
  // retry must find nothing of theirs there, and they are converted again afterwards.
  RunTree tree({});
  ConversionParams params;
  ConversionPipeline::Settings settings;
  settings.workers = 3;
  std::atomic<size_t> filesAtRetry{99};
  settings.failAttemptForTesting = [&](int index, int attempt) {
    if (index != 1) return false;
    if (attempt == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      return true;
    }
    filesAtRetry = CountFiles(tree.tmp());
    return false;
  };
  std::vector<ConversionPipeline::Input> inputs;
  for (const char* name : {"01.jpg", "02.jpg", "03.jpg", "05.jpg", "07.jpg", "10.jpg"})
    inputs.push_back({(tree.in() / name).wstring(), false});
  ConversionPipeline pipeline(params, tree.tmp().wstring() + static_cast<wchar_t>(fs::path::preferred_separator),
                              inputs, settings);
  ASSERT_TRUE(pipeline.Start());
  for (int i = 0; i < 6; ++i) {
    const ConvertedFile file = pipeline.Take(i);
    EXPECT_TRUE(file.ok) << i;
    if (file.ok) fs::remove(fs::path(file.tempPath));
  }
  EXPECT_EQ(filesAtRetry.load(), 0u);
  const PipelineStatistics stats = pipeline.Statistics();
  EXPECT_EQ(stats.retriedAlone, 1);
  EXPECT_GE(stats.dropped, 1);
  EXPECT_EQ(stats.conversions, 6 + 1 + stats.dropped);
}

TEST(ConversionPipeline, FilesStartOnlyWhenTheirMemoryFitsTheRunsBudget) {
  // Copies of a 2560 x 1920 photo at 8/8, turned upright: about 45 MB each.
  RunTree tree({});
  ConversionParams params;
  params.ScaleNum = 8;
  params.AutoRotate = 1;
  const std::wstring photo = (tree.in() / "07.jpg").wstring();
  const uint64_t need = EstimateConversionMemory(photo, params);
  ASSERT_GT(need, 30u << 20);
  ConversionPipeline::Settings settings;
  settings.workers = kParallelJobs;
  settings.memoryLimit = need * 2 + need / 2;  // room for two at once
  ConversionPipeline pipeline(params, tree.tmp().wstring() + static_cast<wchar_t>(fs::path::preferred_separator),
                              std::vector<ConversionPipeline::Input>(8, {photo, false}), settings);
  ASSERT_TRUE(pipeline.Start());
  for (int i = 0; i < 8; ++i) {
    const ConvertedFile file = pipeline.Take(i);
    EXPECT_TRUE(file.ok) << i;
    if (file.ok) fs::remove(fs::path(file.tempPath));
  }
  const PipelineStatistics stats = pipeline.Statistics();
  EXPECT_LE(stats.peakReservedBytes, pipeline.MemoryBudget());
  EXPECT_EQ(stats.peakConverting, 2);
}

}  // namespace
}  // namespace qv
