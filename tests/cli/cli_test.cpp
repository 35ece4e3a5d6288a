// The command line as a user runs it: exit codes, the summary, --dry-run and --json output, settings
// read and saved, and Ctrl-C in the middle of a run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <map>
#include <set>
#include <nlohmann/json.hpp>
#include <sstream>

#include "engine/params.h"
#include "settings/settings_file.h"
#include "test_support.h"

extern char** environ;

namespace qv {
namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out, err;
  std::vector<nlohmann::json> Lines() const {
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
      if (!line.empty()) lines.push_back(nlohmann::json::parse(line));
    return lines;
  }
};

std::string ReadFd(int fd) {
  std::string s;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof(buf))) > 0) s.append(buf, static_cast<size_t>(n));
  return s;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config = (scratch.path() / "config").string();
    fs::create_directories(scratch.path() / "in");
    fs::create_directories(scratch.path() / "out");
    in = scratch.path() / "in";
    out = scratch.path() / "out";
  }

  struct Launch {
    int signalAfterLines = -1;         // send `signals` once this many lines were printed
    int firstSignalDelayMs = 0;        // and this long after that
    fs::path signalOnceNotEmpty;       // and not before this folder has an entry (10 s at most)
    std::vector<int> signals;          // sent 50 ms apart (two of a kind must not merge into one)
    std::vector<std::string> env;      // NAME=value, replacing the defaults of the same name
    const char* stdoutPath = nullptr;  // standard output to this file instead of the pipe
  };

  static Launch Env(std::vector<std::string> env) {
    Launch l;
    l.env = std::move(env);
    return l;
  }
  static Launch StdoutTo(const char* path) {
    Launch l;
    l.stdoutPath = path;
    return l;
  }
  static Launch Signals(int afterLines, std::vector<int> signals, int firstDelayMs = 0) {
    Launch l;
    l.signalAfterLines = afterLines;
    l.firstSignalDelayMs = firstDelayMs;
    l.signals = std::move(signals);
    return l;
  }

  // Runs quorvix with `args` in a clean environment: English messages, settings, trash and temporary
  // files inside the scratch folder (all on one file system, so the trash works wherever it is).
  Result Run(std::vector<std::string> args) { return Run(std::move(args), Launch()); }
  Result Run(std::vector<std::string> args, const Launch& launch) {
    args.insert(args.begin(), QV_CLI_PROGRAM);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = {"XDG_CONFIG_HOME=" + config,
                                           "LANG=C.UTF-8",
                                           "HOME=" + (scratch.path() / "home").string(),
                                           "XDG_DATA_HOME=" + (scratch.path() / "data").string(),
                                           "TMPDIR=" + (scratch.path() / "tmp").string(),
                                           "ASAN_OPTIONS=detect_leaks=1"};
    for (const std::string& e : launch.env) {
      const std::string name = e.substr(0, e.find('=') + 1);
      auto same = std::find_if(envStrings.begin(), envStrings.end(),
                               [&](const std::string& d) { return d.rfind(name, 0) == 0; });
      if (same != envStrings.end()) *same = e;
      else envStrings.push_back(e);
    }
    fs::create_directories(scratch.path() / "tmp");
    fs::create_directories(scratch.path() / "home");
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    int outPipe[2], errPipe[2];
    EXPECT_EQ(pipe(outPipe), 0);
    EXPECT_EQ(pipe(errPipe), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (launch.stdoutPath != nullptr) posix_spawn_file_actions_addopen(&actions, 1, launch.stdoutPath, O_WRONLY, 0);
    else posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    Result r;
    if (launch.signalAfterLines >= 0) {
      char c;
      int lines = 0;
      while (lines < launch.signalAfterLines && read(outPipe[0], &c, 1) == 1) {
        r.out += c;
        if (c == '\n') ++lines;
      }
      // A fixed delay alone is no measure of progress on a loaded machine: the program may not have begun.
      for (int waited = 0; !launch.signalOnceNotEmpty.empty() && waited < 1000 && Count(launch.signalOnceNotEmpty) == 0;
           ++waited)
        usleep(10 * 1000);
      usleep(static_cast<useconds_t>(launch.firstSignalDelayMs) * 1000);
      for (size_t i = 0; i < launch.signals.size(); ++i) {
        if (i > 0) usleep(50 * 1000);
        kill(pid, launch.signals[i]);
      }
    }
    r.out += ReadFd(outPipe[0]);
    r.err = ReadFd(errPipe[0]);
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
  }

  void Copy(const std::string& corpus, const std::string& name) {
    fs::copy_file(test::DataDir() / corpus, in / name);
    fs::permissions(in / name, fs::perms::owner_write, fs::perm_options::add);
  }
  size_t Count(const fs::path& dir) const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
  }

  test::ScratchDir scratch;
  std::string config;
  fs::path in, out;
};

TEST_F(CliTest, VersionHelpAndUsageErrors) {
  Result r = Run({"--version"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "quorvix 1.02\n");
  r = Run({"--help"});
  EXPECT_EQ(r.code, 0);
  for (const char* text : {"Exit status", "nothing to convert", "no PATH exists", "1/8", "beside", "--jobs"})
    EXPECT_NE(r.out.find(text), std::string::npos) << text;
  // Each with a photo that exists, so that only the option's own check can refuse it.
  Copy("s005.jpg", "a.jpg");
  const std::string photo = (in / "a.jpg").string();
  for (std::vector<std::string> bad : {std::vector<std::string>{},
                                       {"--quality", "0", photo},
                                       {"--quality", "101", photo},
                                       {"--bogus", photo},
                                       {"--sampling", "411", photo},
                                       {"--scale", "17", photo},
                                       {"--digits", "6", photo},
                                       {"--limit", "5", "--no-limit", photo},
                                       {"--save", "--dry-run", photo},
                                       {"--jobs", "0", photo}}) {
    r = Run(bad);
    const std::string what = bad.empty() ? "(none)" : bad[0];
    EXPECT_EQ(r.code, 2) << what;
    EXPECT_NE(r.err.find(bad.empty() ? "Run with --help" : what.c_str()), std::string::npos) << r.err;
  }
  EXPECT_EQ(Count(in), 1u);  // nothing was written beside the photo either
  // Standard output that cannot be written is a failure, whatever else went well.
  r = Run({"--version"}, StdoutTo("/dev/full"));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "quorvix: cannot write to standard output\n");
}

TEST_F(CliTest, ConvertsAFolderWithSerialNamesAndPrintsTheSummary) {
  Copy("s005.jpg", "b.jpg");
  Copy("s006.jpg", "a10.jpg");
  Copy("s007.jpg", "a9.jpg");
  Copy("s007.jpg", ".hidden.jpg");  // hidden: not an input of the folder
  Result r = Run({"--name", "serial", "--digits", "3", "--start", "5", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "input files  3\noutput files  3\n");
  // Natural order: a9, a10, b.
  EXPECT_EQ(test::ReadAll(out / "005.jpg").size(), fs::file_size(out / "005.jpg"));
  EXPECT_TRUE(fs::exists(out / "006.jpg"));
  EXPECT_TRUE(fs::exists(out / "007.jpg"));
  EXPECT_EQ(Count(out), 3u);
  EXPECT_EQ(Count(scratch.path() / "tmp"), 0u);
  // Under a Japanese locale the summary uses the window's labels.
  r = Run({"-o", out.string(), (in / "b.jpg").string()}, Env({"LANG=ja_JP.UTF-8"}));
  EXPECT_EQ(r.out, "入力ファイル数  1\n出力ファイル数  1\n");
}

TEST_F(CliTest, JsonReportsEveryInput) {
  Copy("s028.jpg", "photo.jpg");
  Copy("s004.jpg", "damaged.jpg");
  Copy("s014.jpg", "wide.jpg");
  test::WriteAll(in / "notes.jpg", {'t', 'e', 'x', 't'});
  Result r = Run({"--json", "--name", "date", "--scale", "2", "--limit", "40", "-o", out.string(),
                  (in / "photo.jpg").string(), (in / "damaged.jpg").string(), (in / "notes.jpg").string()});
  EXPECT_EQ(r.code, 1);
  std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[0]["status"], "converted");
  EXPECT_EQ(lines[0]["output"], (out / "20170402_213351.jpg").string());
  EXPECT_EQ(lines[0]["width"], 780);
  EXPECT_EQ(lines[0]["height"], 1052);
  EXPECT_EQ(lines[0]["exif_date"], "2017:04:02 21:33:51");
  EXPECT_LE(lines[0]["bytes"].get<int>(), 40 * 1024);
  EXPECT_LT(lines[0]["quality"].get<int>(), 75);
  EXPECT_EQ(lines[0]["bytes"].get<uintmax_t>(), fs::file_size(out / "20170402_213351.jpg"));
  EXPECT_EQ(lines[1]["status"], "skipped");
  EXPECT_EQ(lines[1]["reason"], "decode-failed");
  EXPECT_TRUE(lines[1]["output"].is_null());
  EXPECT_TRUE(lines[1]["exif_date"].is_null());
  EXPECT_EQ(lines[2]["reason"], "not-a-jpeg");
  EXPECT_EQ(lines[3]["summary"]["planned"], 3);
  EXPECT_EQ(lines[3]["summary"]["written"], 1);
  EXPECT_EQ(lines[3]["summary"]["cancelled"], false);
  // 32540 pixels wide, doubled: beyond what the decoder accepts.
  r = Run({"--json", "--scale", "16", "-o", out.string(), (in / "wide.jpg").string()});
  lines = r.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["reason"], "too-large");
}

TEST_F(CliTest, HeifPhotosInAFolderAreConvertedOrSkippedWithTheirReason) {
  const fs::path heif = test::RefsDir().parent_path() / "heif";
  fs::copy_file(heif / "photo.heic", in / "IMG_0001.HEIC");
  fs::copy_file(heif / "exif.heic", in / "IMG_0002.heif");
  fs::copy_file(heif / "damaged.heic", in / "IMG_0003.heic");
  fs::copy_file(heif / "huge.heic", in / "IMG_0004.HEIC");
  Result r = Run({"--json", "--scale", "4", "--keep-exif", "--delete-input", "delete", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 1);
  // Only a photo whose output was written is removed.
  EXPECT_FALSE(fs::exists(in / "IMG_0001.HEIC"));
  EXPECT_TRUE(fs::exists(in / "IMG_0003.heic"));
  EXPECT_TRUE(fs::exists(in / "IMG_0004.HEIC"));
  std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 5u) << r.out;
  EXPECT_EQ(lines[0]["output"], (out / "IMG_0001.jpg").string());
  EXPECT_EQ(lines[0]["width"], 114);
  EXPECT_EQ(lines[0]["height"], 75);
  EXPECT_EQ(lines[1]["output"], (out / "IMG_0002.jpg").string());
  EXPECT_EQ(lines[1]["exif_kept"], true);
  EXPECT_EQ(lines[2]["reason"], "decode-failed");
  EXPECT_EQ(lines[3]["reason"], "too-large");
  EXPECT_EQ(lines[4]["summary"]["planned"], 4);
  EXPECT_EQ(lines[4]["summary"]["written"], 2);
  fs::copy_file(heif / "exif.heic", in / "IMG_0002.heif");
  r = Run({"--name", "date", "-o", out.string(), (in / "IMG_0002.heif").string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::exists(out / "20060802_215301.jpg"));
}

TEST_F(CliTest, DryRunShowsWhatTheRunWrites) {
  Copy("s007.jpg", "x.jpg");
  Copy("s007.jpg", "y.jpg");
  Copy("s002.jpg", "z.jpg");
  test::WriteAll(out / "Z.JPG", {1});
  Result r = Run({"--dry-run", "--name", "date", "--prefix", "p_", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "x.jpg -> p_20100121_175750.jpg\ny.jpg -> p_20100121_175750+1.jpg\nz.jpg -> p_z.jpg\n");
  r = Run({"--dry-run", "--json", "-o", out.string(), in.string()});
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2]["input"], (in / "z.jpg").string());
  EXPECT_EQ(lines[2]["output"], (out / "z+1.jpg").string());
  EXPECT_EQ(Count(out), 1u);
  // The run takes the same names: Z.JPG occupies z.jpg also where the file system tells case apart.
  r = Run({"--quiet", "-o", out.string(), (in / "z.jpg").string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::exists(out / "z+1.jpg"));
  // With a sub-folder the names taken are those in the sub-folder.
  fs::create_directories(out / "web");
  test::WriteAll(out / "web" / "x.jpg", {1});
  r = Run({"--dry-run", "--subfolder", "web", "-o", out.string(), (in / "x.jpg").string(), (in / "z.jpg").string()});
  EXPECT_EQ(r.out, "x.jpg -> x+1.jpg\nz.jpg -> z.jpg\n");
}

TEST_F(CliTest, FailuresBeforeTheRunNameTheProgramAndThePath) {
  Copy("s002.jpg", "a.jpg");
  test::WriteAll(out / "blocked", {1});
  fs::create_directories(scratch.path() / "empty");
  const std::string missing = (scratch.path() / "missing").string(), file = (out / "blocked").string();
  const std::string fifo = (scratch.path() / "pipe.jpg").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"photoz/"}, "quorvix: photoz/: no such file or folder\n"},
      {{fifo}, "quorvix: " + fifo + ": not a regular file (a FIFO, socket or device is never read)\n"},
      {{"-o", missing, in.string()}, "quorvix: -o " + missing + ": no such folder\n"},
      {{"-o", file, in.string()}, "quorvix: -o " + file + ": not a folder\n"},
      {{(scratch.path() / "empty").string()}, "quorvix: no JPEG files to convert\n"},
      {{"-o", out.string(), "--subfolder", "blocked", in.string()},
       "quorvix: " + file + ": cannot create the folder\n"},
  };
  for (const Case& c : cases) {
    Result r = Run(c.args);
    EXPECT_EQ(r.code, 2) << c.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
    // With --json the same failure is one line on standard output as well.
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "--json");
    r = Run(args);
    const std::vector<nlohmann::json> lines = r.Lines();
    ASSERT_EQ(lines.size(), 1u) << c.err;
    EXPECT_TRUE(lines[0]["error"]["reason"].is_string()) << r.out;
  }
  EXPECT_EQ(Count(out), 1u);
  // Japanese under a Japanese locale, with the window's texts where it has them.
  Result r = Run({"-o", missing, in.string()}, Env({"LANG=ja_JP.UTF-8"}));
  EXPECT_EQ(r.err, "quorvix: -o " + missing + ": 出力フォルダが無効です。\n");
  // Without -o and without a Send To folder: beside the input; a path that is missing beside it is
  // reported and the rest converted.
  r = Run({"--quiet", "nothing-here.jpg", (in / "a.jpg").string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "quorvix: nothing-here.jpg: no such file or folder\n");
  EXPECT_TRUE(fs::exists(in / "a+1.jpg"));
}

TEST_F(CliTest, SkippedFilesGetALineEachUnlessQuiet) {
  Copy("s002.jpg", "good.jpg");
  Copy("s004.jpg", "damaged.jpg");
  test::WriteAll(in / "notes.jpg", {'t', 'e', 'x', 't'});
  Result r = Run({"-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 1);
  const std::string damaged = (in / "damaged.jpg").string(), notes = (in / "notes.jpg").string();
  EXPECT_EQ(r.err, "quorvix: " + damaged + ": cannot be decoded (damaged or of an unsupported kind)\n" +
                       "quorvix: " + notes + ": not a JPEG file\n");
  EXPECT_EQ(r.out, "input files  3\noutput files  1\n");
  r = Run({"--quiet", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, SettingsAreReadOverriddenAndSavedOnlyWhenAsked) {
  Copy("s002.jpg", "a.jpg");
  const fs::path ini = scratch.path() / "my.ini";
  Result r = Run({"--settings", ini.string(), "-q", "40", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0);
  EXPECT_FALSE(fs::exists(ini));
  // Nothing is stored by a command that fails before its run.
  r = Run({"--settings", ini.string(), "--save", "-o", (scratch.path() / "missing").string(), in.string()});
  EXPECT_EQ(r.code, 2);
  EXPECT_FALSE(fs::exists(ini));
  r = Run({"--settings", ini.string(), "-q", "40", "--sampling", "444", "--progressive", "--subfolder", "web",
           "--comment", "line1\nline2", "--save", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0);
  ConversionParams saved;
  LoadConversionParams(ini.wstring(), saved);
  EXPECT_EQ(saved.Quality, 40);
  EXPECT_EQ(saved.Sampling, 2);
  EXPECT_EQ(saved.Progressive, 1);
  EXPECT_EQ(saved.MkDirAdd, 1);
  EXPECT_EQ(saved.MkDirStr, L"web");
  EXPECT_EQ(saved.CmtStr1, L"line1\r\nline2");
  EXPECT_TRUE(fs::exists(out / "web" / "a.jpg"));
  // The saved settings apply to the next run; options still override them.
  r = Run({"--settings", ini.string(), "--no-subfolder", "--json", "-o", out.string(), in.string()});
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["quality"], 40);
  EXPECT_EQ(lines[0]["output"], (out / "a+1.jpg").string());  // a.jpg is the first run's
  // --save alone stores the options and converts nothing.
  const size_t before = Count(out);
  r = Run({"--settings", ini.string(), "--save", "-q", "55"});
  EXPECT_EQ(r.code, 0) << r.err;
  LoadConversionParams(ini.wstring(), saved);
  EXPECT_EQ(saved.Quality, 55);
  EXPECT_EQ(saved.MkDirStr, L"web");
  EXPECT_EQ(Count(out), before);
}

TEST_F(CliTest, StoredValuesAreBoundedLikeTheWindowsFields) {
  Copy("s002.jpg", "a.jpg");
  const fs::path ini = scratch.path() / "edited.ini";
  ConversionParams stored;
  stored.NameSet = 2;
  stored.DigitNum = 2000000000;  // would ask for a name of gigabytes
  stored.StartNum = 123456;
  stored.Quality = 150;
  stored.TopAdd = 1;
  stored.TopStr = std::wstring(300, L'p');
  stored.ScaleNum = 0;  // would convert at full size
  StoredAppState state;
  ASSERT_TRUE(SaveSettings(ini.wstring(), stored, state));
  const std::string expected = std::string(259, 'p') + "09999.jpg";
  Result r = Run({"--settings", ini.string(), "--dry-run", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "a.jpg -> " + expected + "\n");
  // (A name of that length is too long for most file systems: the run goes without the prefix.)
  r = Run({"--settings", ini.string(), "--prefix", "", "--json", "-o", out.string(), in.string()});
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 2u) << r.err;
  EXPECT_EQ(lines[0]["quality"], 100);
  EXPECT_EQ(lines[0]["width"], 19);  // at 1/8
  EXPECT_EQ(lines[0]["output"], (out / "09999.jpg").string());
  EXPECT_EQ(Count(scratch.path() / "tmp"), 0u);
}

TEST_F(CliTest, InputsAreRecycledOrDeletedAsAskedAndARefusalIsReported) {
  Copy("s002.jpg", "r.jpg");
  Copy("s002.jpg", "d.jpg");
  const fs::path trash = scratch.path() / "data" / "Trash" / "files";
  Result r = Run({"--json", "--delete-input", "recycle", "-o", out.string(), (in / "r.jpg").string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(fs::exists(in / "r.jpg"));
  EXPECT_TRUE(fs::exists(trash / "r.jpg"));
  ASSERT_EQ(r.Lines().size(), 2u);
  EXPECT_EQ(r.Lines()[0]["input_removed"], true);
  r = Run({"--delete-input", "delete", "-o", out.string(), (in / "d.jpg").string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(fs::exists(in / "d.jpg"));
  EXPECT_FALSE(fs::exists(trash / "d.jpg"));
  // A trash that cannot be made (its place is taken by a file) refuses the input: it stays, and the
  // command says so and fails.
  Copy("s002.jpg", "kept.jpg");
  fs::create_directories(scratch.path() / "blocked-data");
  test::WriteAll(scratch.path() / "blocked-data" / "Trash", {1});
  const Launch blocked = Env({"XDG_DATA_HOME=" + (scratch.path() / "blocked-data").string()});
  r = Run({"--delete-input", "recycle", "-o", out.string(), (in / "kept.jpg").string()}, blocked);
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(fs::exists(in / "kept.jpg"));
  EXPECT_TRUE(fs::exists(out / "kept.jpg"));
  EXPECT_EQ(r.err, "quorvix: " + (in / "kept.jpg").string() +
                       ": converted, but the recycle bin refused the input; it was kept\n");
  r = Run({"--json", "--delete-input", "recycle", "-o", out.string(), (in / "kept.jpg").string()}, blocked);
  EXPECT_EQ(r.code, 1);
  ASSERT_EQ(r.Lines().size(), 2u);
  EXPECT_EQ(r.Lines()[0]["input_removed"], false);
}

// Folders deeper than Windows' MAX_PATH (over 300 characters) for the inputs, the outputs, the settings
// and the temporary files: converted, named by date and by serial number, listed, inputs recycled.
TEST_F(CliTest, FoldersBeyondMaxPathConvertNameListAndRecycle) {
  fs::path deep = scratch.path() / "deep";
  for (const char c : {'a', 'b', 'c', 'd', 'e'}) deep /= std::string(60, c);
  const fs::path deepIn = deep / "in", deepOut = deep / "out", deepTmp = deep / "tmp";
  for (const fs::path& folder : {deepIn, deepOut, deepTmp}) fs::create_directories(folder);
  ASSERT_GT(deepIn.string().size(), 300u);
  fs::copy_file(test::DataDir() / "s002.jpg", deepIn / "写真 1.jpg");
  fs::copy_file(test::DataDir() / "s007.jpg", deepIn / "b.jpg");
  const std::string ini = (deep / "q.ini").string();
  const Launch deepTemp = Env({"TMPDIR=" + deepTmp.string()});

  Result r =
      Run({"--json", "--settings", ini, "--save", "--name", "date", "-o", deepOut.string(), deepIn.string()}, deepTemp);
  EXPECT_EQ(r.code, 0) << r.err;
  std::set<std::string> outputs;
  for (const nlohmann::json& line : r.Lines())
    if (line.contains("output")) outputs.insert(line["output"].get<std::string>());
  EXPECT_EQ(outputs,
            (std::set<std::string>{(deepOut / "写真 1.jpg").string(), (deepOut / "20100121_175750.jpg").string()}));
  EXPECT_TRUE(fs::exists(deepOut / "20100121_175750.jpg"));
  EXPECT_TRUE(fs::exists(ini));

  r = Run(
      {"--settings", ini, "--dry-run", "--name", "serial", "--digits", "3", "-o", deepOut.string(), deepIn.string()});
  EXPECT_EQ(r.out, "b.jpg -> 000.jpg\n写真 1.jpg -> 001.jpg\n") << r.err;

  r = Run({"--settings", ini, "--name", "serial", "--digits", "3", "--subfolder", "web", "--delete-input", "recycle",
           "-o", deepOut.string(), deepIn.string()},
          deepTemp);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::exists(deepOut / "web" / "000.jpg"));
  EXPECT_TRUE(fs::exists(deepOut / "web" / "001.jpg"));
  EXPECT_EQ(Count(deepIn), 0u);
  EXPECT_TRUE(fs::exists(scratch.path() / "data" / "Trash" / "files" / "b.jpg"));
  EXPECT_EQ(Count(deepTmp), 0u);
}

TEST_F(CliTest, DeleteInputRemovesOnlyConvertedInputs) {
  Copy("s002.jpg", "good.jpg");
  test::WriteAll(in / "bad.jpg", {0xFF, 0xD8, 0xFF});
  Result r = Run({"--delete-input", "delete", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_FALSE(fs::exists(in / "good.jpg"));
  EXPECT_TRUE(fs::exists(out / "good.jpg"));
  EXPECT_TRUE(fs::exists(in / "bad.jpg"));
}

// --jobs 4 on machines with fewer processors, so that the workers overlap, against --jobs 1: the same
// JSON lines, messages, exit status, names and bytes, for the naming rules and the options that change
// what a run writes, over good and failing files.
TEST_F(CliTest, ManyJobsWriteAndReportWhatOneJobDoes) {
  const std::vector<std::pair<std::string, std::string>> inputs = {
      {"a.jpg", "s007.jpg"}, {"b.jpg", "s007.jpg"}, {"c.jpg", "s002.jpg"}, {"d.jpg", "s004.jpg"}, {"e.jpg", "s036.jpg"},
      {"f.jpg", "s006.jpg"}, {"g.jpg", "s046.jpg"}, {"h.jpg", "s039.jpg"}, {"i.jpg", "s024.jpg"}, {"j.jpg", "s050.jpg"},
  };
  const std::vector<std::vector<std::string>> optionSets = {
      {"--name", "date"},
      {"--name", "serial", "--digits", "2", "--limit", "3", "--scale", "2", "--progressive"},
      {"--subfolder", "web", "--prefix", "p_", "--comment", "hi"},
      {"--delete-input", "delete", "--name", "serial", "--start", "2"},  // into the input folder itself
  };
  for (const std::vector<std::string>& options : optionSets) {
    const bool intoInputs = options[0] == "--delete-input";
    std::vector<std::string> reports;
    std::vector<std::map<std::string, std::vector<unsigned char>>> trees;
    for (const char* jobs : {"1", "4"}) {
      const fs::path root = scratch.path() / ("jobs" + std::string(jobs));
      fs::remove_all(root);
      fs::create_directories(root / "in");
      fs::create_directories(root / "out");
      test::WriteAll(root / "out" / "c.jpg", {'x'});  // a name already taken
      for (const auto& [name, corpus] : inputs) fs::copy_file(test::DataDir() / corpus, root / "in" / name);
      test::WriteAll(root / "in" / "k.jpg", {'t', 'e', 'x', 't'});
      std::vector<std::string> args = {"--json", "--jobs", jobs, "-o", (root / (intoInputs ? "in" : "out")).string()};
      args.insert(args.end(), options.begin(), options.end());
      args.push_back((root / "in" / "b.jpg").string());  // given again at once: found gone when it is deleted
      args.push_back((root / "in").string());
      const Result r = Run(args);
      std::string report = std::to_string(r.code) + "\n" + r.out + r.err;
      for (size_t at; (at = report.find(root.string())) != std::string::npos;)
        report.replace(at, root.string().size(), "ROOT");
      reports.push_back(report);
      std::map<std::string, std::vector<unsigned char>> files;
      for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = test::ReadAll(e.path());
      trees.push_back(files);
      EXPECT_EQ(Count(scratch.path() / "tmp"), 0u);
    }
    EXPECT_EQ(reports[1], reports[0]) << options[0];
    EXPECT_TRUE(trees[1] == trees[0]) << options[0];
    EXPECT_NE(reports[0].find("\"summary\""), std::string::npos) << reports[0];
  }
}

TEST_F(CliTest, NamesAreShownEscaped) {
  const std::string odd = std::string("a\x1b[31m\n") + ".jpg", latin1 = "\xe9t\xe9.jpg";
  fs::copy_file(test::DataDir() / "s002.jpg", in / odd);
  fs::copy_file(test::DataDir() / "s002.jpg", in / latin1);
  Result r = Run({"--dry-run", "-o", out.string(), in.string()});
  EXPECT_EQ(r.out, "a\\x1b[31m\\n.jpg -> a\\x1b[31m\\n.jpg\n\\xe9t\\xe9.jpg -> \\xe9t\\xe9.jpg\n");
  // The run converts both under their own names; JSON keeps to valid UTF-8.
  r = Run({"--json", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::exists(out / odd));
  EXPECT_TRUE(fs::exists(out / latin1));
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1]["output"], (out / "\\xe9t\\xe9.jpg").string());
}

TEST_F(CliTest, InterruptsStopAfterTheCurrentFileASecondOneAtOnce) {
  for (int i = 0; i < 40; ++i) Copy("s030.jpg", "p" + std::to_string(i) + ".jpg");
  // Ctrl-C, SIGTERM and SIGHUP (the terminal went away) let the current file finish and report.
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    fs::remove_all(out);
    fs::create_directories(out);
    Result r = Run({"--json", "--scale", "4", "-o", out.string(), in.string()}, Signals(1, {signalNumber}));
    EXPECT_EQ(r.code, 1) << signalNumber;
    const std::vector<nlohmann::json> lines = r.Lines();
    ASSERT_GE(lines.size(), 2u);
    const nlohmann::json& summary = lines.back()["summary"];
    EXPECT_EQ(summary["cancelled"], true);
    EXPECT_EQ(summary["planned"], 40);
    EXPECT_LT(summary["written"].get<int>(), 40);
    EXPECT_EQ(static_cast<size_t>(summary["written"].get<int>()), Count(out));
    EXPECT_EQ(Count(scratch.path() / "tmp"), 0u);
  }
  // A second one ends the run in the middle of a (large: about a second) file, without a summary or a
  // temporary file.
  Result r = Run({"--json", "--scale", "16", "-o", out.string(), in.string()}, Signals(1, {SIGINT, SIGINT}, 200));
  EXPECT_EQ(r.code, 128 + SIGINT);
  EXPECT_EQ(r.out.find("summary"), std::string::npos);
  EXPECT_EQ(Count(scratch.path() / "tmp"), 0u);
  // A report that cannot be written stops the run as well.
  r = Run({"--json", "--scale", "4", "-o", out.string(), in.string()}, StdoutTo("/dev/full"));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "quorvix: cannot write to standard output\n");
  EXPECT_LT(Count(out), 10u);
}

TEST_F(CliTest, AFileGivenTwiceUnderTwoSpellingsIsConvertedAndRemovedOnce) {
  // The second spelling finds the file gone, as one job would: no reported output is ever removed.
  for (const std::vector<std::string>& spellings :
       {std::vector<std::string>{(in / "a.jpg").string(), (in / "." / "a.jpg").string()},
        std::vector<std::string>{in.string(), (in / ".").string()}}) {
    fs::remove_all(in);
    fs::create_directories(in);
    Copy("s005.jpg", "a.jpg");
    std::vector<std::string> args = {"--json", "--delete-input", "delete", "--jobs", "2"};
    args.insert(args.end(), spellings.begin(), spellings.end());
    const Result r = Run(args);
    EXPECT_EQ(r.code, 1) << r.out;
    const std::vector<nlohmann::json> lines = r.Lines();
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0]["status"], "converted");
    EXPECT_EQ(lines[1]["status"], "skipped");
    EXPECT_EQ(lines[2]["summary"]["written"], 1);
    EXPECT_TRUE(fs::exists(lines[0]["output"].get<std::string>()));
    EXPECT_EQ(Count(in), 1u);  // a+1.jpg only
  }
}

TEST_F(CliTest, ARunKilledOutrightLeavesNothingForTheNextRunToFind) {
  for (int i = 0; i < 6; ++i) Copy("s030.jpg", "p" + std::to_string(i) + ".jpg");
  // Killed in the middle of its work (once its folder of temporary files exists): the folder stays behind
  // for now.
  Launch killed = Signals(0, {SIGKILL}, 300);
  killed.signalOnceNotEmpty = scratch.path() / "tmp";
  Result r = Run({"--json", "--scale", "16", "-o", out.string(), in.string()}, killed);
  EXPECT_EQ(r.code, 128 + SIGKILL);
  ASSERT_EQ(Count(scratch.path() / "tmp"), 1u);
  // A private copy it was writing into the output folder.
  test::WriteAll(out / ".quorvix-999999999-1.part", {0xFF, 0xD8});
  fs::remove_all(in);
  fs::create_directories(in);
  Copy("s002.jpg", "small.jpg");
  r = Run({"-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Count(scratch.path() / "tmp"), 0u);
  EXPECT_FALSE(fs::exists(out / ".quorvix-999999999-1.part"));
}

// A small file system that fills up: mounted for the test when the system allows it (root), else skipped.
class FullDisk {
 public:
  FullDisk(const fs::path& where, const char* size) : path_(where) {
    fs::create_directories(where);
    const std::string options = std::string("size=") + size;
    mounted_ = mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~FullDisk() {
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  fs::path path_;
  bool mounted_ = false;
};

TEST_F(CliTest, FullOutputDiskLeavesNoPartialOutputAndKeepsTheInputs) {
  FullDisk disk(scratch.path() / "small", "96k");
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
  Copy("s002.jpg", "a-small.jpg");  // 19 x 13 at 1/8: fits
  Copy("s030.jpg", "b-large.jpg");  // 3264 x 2448 at 8/8: does not
  Copy("s028.jpg", "c-large.jpg");
  Result r = Run({"--json", "--scale", "8", "--delete-input", "delete", "-o", (scratch.path() / "small").string(),
                  in.string()});
  EXPECT_EQ(r.code, 1);
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 4u) << r.out << r.err;
  EXPECT_EQ(lines[0]["status"], "converted");
  EXPECT_EQ(lines[1]["reason"], "copy-failed");
  EXPECT_EQ(lines[2]["reason"], "copy-failed");
  EXPECT_EQ(Count(scratch.path() / "small"), 1u);  // only the small output, no partial copy
  EXPECT_FALSE(fs::exists(in / "a-small.jpg"));     // removed: its output is complete
  EXPECT_TRUE(fs::exists(in / "b-large.jpg"));
  EXPECT_TRUE(fs::exists(in / "c-large.jpg"));
  EXPECT_EQ(Count(scratch.path() / "tmp"), 0u);
}

TEST_F(CliTest, FullTemporaryFolderFailsTheEncodeWithoutLeftovers) {
  FullDisk disk(scratch.path() / "tmp", "64k");
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
  Copy("s030.jpg", "large.jpg");
  Copy("s002.jpg", "small.jpg");
  Result r = Run({"--json", "--scale", "8", "--delete-input", "delete", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 1);
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 3u) << r.out << r.err;
  EXPECT_EQ(lines[0]["reason"], "encode-failed");
  EXPECT_EQ(lines[1]["status"], "converted");
  EXPECT_TRUE(fs::exists(in / "large.jpg"));
  EXPECT_EQ(Count(scratch.path() / "tmp"), 0u);
  EXPECT_EQ(Count(out), 1u);
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// exiftool's view of a file's Exif and maker-note tags: "group:group:name" -> value, numbers as stored.
std::map<std::string, nlohmann::json> ExifTags(const fs::path& file) {
  const std::string command = "exiftool -j -a -n -G0:1 -EXIF:all -MakerNotes:all '" + file.string() + "' 2>/dev/null";
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    pclose(pipe);
  }
  std::map<std::string, nlohmann::json> tags;
  const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
  if (!parsed.is_array() || parsed.empty()) return tags;
  for (const auto& [key, value] : parsed[0].items())
    if (key.rfind("EXIF:", 0) == 0 || key.rfind("MakerNotes:", 0) == 0) tags[key] = value;
  return tags;
}

// Phone and camera photos in both byte orders, with maker notes and thumbnails: every tag comes back but
// those that describe the old pixels, and the photo that was stored on its side comes out upright.
TEST_F(CliTest, KeptExifReadsBackWithExiftoolButForTheTagsOfTheOldPixels) {
  struct Photo {
    const char* corpus;
    bool turned;  // orientation 6
  } photos[] = {{"s006.jpg", false}, {"s007.jpg", false}, {"s011.jpg", false}, {"s024.jpg", false},
                {"s041.jpg", true},  {"s044.jpg", true},  {"s049.jpg", false}};  // in the order the run takes them
  for (const Photo& p : photos) Copy(p.corpus, p.corpus);
  Result r = Run({"--json", "--jobs", "2", "-s", "4", "--auto-rotate", "--keep-exif", "-o", out.string(), in.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), std::size(photos) + 1);
  const std::set<std::string> changed = {"EXIF:IFD0:Orientation", "EXIF:IFD0:ImageWidth", "EXIF:IFD0:ImageHeight",
                                         "EXIF:ExifIFD:ExifImageWidth", "EXIF:ExifIFD:ExifImageHeight"};
  for (size_t k = 0; k < std::size(photos); ++k) {
    const Photo& p = photos[k];
    const nlohmann::json& line = lines[k];
    EXPECT_EQ(line["rotated"], p.turned) << p.corpus;
    EXPECT_EQ(line["exif_kept"], true) << p.corpus;
    const std::map<std::string, nlohmann::json> before = ExifTags(in / p.corpus), after = ExifTags(out / p.corpus);
    ASSERT_FALSE(before.empty()) << p.corpus;
    size_t compared = 0;
    for (const auto& [key, value] : before) {
      if (changed.count(key) != 0 || key.rfind("EXIF:IFD1:", 0) == 0) continue;
      // Positions in the file move with the segment: the output's JFIF header comes first.
      if (EndsWith(key, "Start") || EndsWith(key, "Offset")) continue;
      const auto found = after.find(key);
      if (found == after.end()) {
        ADD_FAILURE() << p.corpus << ": " << key << " lost";
        continue;
      }
      EXPECT_EQ(found->second, value) << p.corpus << ": " << key;
      ++compared;
    }
    EXPECT_GT(compared, 3u) << p.corpus;
    for (const auto& entry : after) EXPECT_NE(entry.first.rfind("EXIF:IFD1:", 0), 0u) << p.corpus << ": thumbnail kept";
    EXPECT_EQ(after.at("EXIF:IFD0:Orientation"), p.turned ? 1 : before.at("EXIF:IFD0:Orientation").get<int>());
    if (before.count("EXIF:ExifIFD:ExifImageWidth") != 0) {
      EXPECT_EQ(after.at("EXIF:ExifIFD:ExifImageWidth"), line["width"]) << p.corpus;
      EXPECT_EQ(after.at("EXIF:ExifIFD:ExifImageHeight"), line["height"]) << p.corpus;
    }
  }
}

// Exif that cannot be edited safely, and a colour profile of other data than the output's, are left out
// with their reasons; the photo is still written.
TEST_F(CliTest, UnsoundExifIsLeftOutWithItsReason) {
  Copy("s019.jpg", "bad-header.jpg");
  Copy("s043.jpg", "bad-directory.jpg");
  // A grey photo with an RGB profile (20 bytes of its header, in one APP2 chunk).
  std::vector<unsigned char> grey = test::ReadAll(test::DataDir() / "s045.jpg");
  std::vector<unsigned char> icc = {0xFF, 0xE2, 0, 36, 'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
  icc.resize(icc.size() + 16);
  icc.insert(icc.end(), {'R', 'G', 'B', ' '});
  grey.insert(grey.begin() + 2, icc.begin(), icc.end());
  test::WriteAll(in / "grey.jpg", grey);
  Result r = Run({"--json", "-s", "8", "--keep-exif", "--keep-icc", "--keep-time", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[2]["icc_kept"], false);
  EXPECT_EQ(lines[2]["icc_dropped"], "colour-space-mismatch");
  for (size_t k = 0; k < 2; ++k) {
    EXPECT_EQ(lines[k]["status"], "converted");
    EXPECT_EQ(lines[k]["exif_kept"], false);
    EXPECT_EQ(lines[k]["exif_dropped"], "malformed-exif");
    EXPECT_EQ(lines[k]["icc_kept"], false);
    EXPECT_EQ(lines[k]["time_kept"], true);
    EXPECT_FALSE(lines[k].contains("rotated"));
    const fs::path written = lines[k]["output"].get<std::string>();
    EXPECT_TRUE(ExifTags(written).empty()) << written;
    EXPECT_EQ(fs::last_write_time(written), fs::last_write_time(in / written.filename()));
  }
}

// A size bound that even quality 1 cannot meet: the file is written at quality 1 all the same, and said so.
TEST_F(CliTest, OutputsOverTheSizeBoundAreWrittenAtQualityOneAndReported) {
  Copy("s030.jpg", "big.jpg");    // 408 x 306 at 1/8: more than 1 KB at any quality
  Copy("s002.jpg", "small.jpg");  // 19 x 13: fits
  Result r = Run({"--limit", "1", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "quorvix: " + (in / "big.jpg").string() + ": written at quality 1, still larger than 1 KB\n");
  EXPECT_EQ(Count(out), 2u);
  r = Run({"--limit", "1", "-o", out.string(), (in / "big.jpg").string()}, Env({"LANG=ja_JP.UTF-8"}));
  EXPECT_EQ(r.err, "quorvix: " + (in / "big.jpg").string() + ": 画質 1 で書き込みましたが、1 KB を超えています。\n");
  EXPECT_EQ(Run({"--quiet", "--limit", "1", "-o", out.string(), in.string()}).err, "");
  r = Run({"--json", "--limit", "1", "-o", out.string(), in.string()});
  EXPECT_EQ(r.err, "");
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 3u) << r.out;
  EXPECT_EQ(lines[0]["over_limit"], true);
  EXPECT_EQ(lines[0]["quality"], 1);
  EXPECT_GT(lines[0]["bytes"].get<int>(), 1024);
  EXPECT_EQ(lines[1]["over_limit"], false);
}

// Switches stored with --save hold for later runs; their opposites turn them off for one run.
TEST_F(CliTest, StoredPhotoSwitchesAndTheirOpposites) {
  Copy("s044.jpg", "phone.jpg");
  ASSERT_EQ(Run({"--save", "--auto-rotate", "--keep-exif", "--max-edge", "100"}).code, 0);
  Result r = Run({"--json", "-s", "8", "-o", out.string(), (in / "phone.jpg").string()});
  std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 2u) << r.out << r.err;
  EXPECT_EQ(lines[0]["rotated"], true);
  EXPECT_EQ(lines[0]["exif_kept"], true);
  EXPECT_EQ(lines[0]["scale"], "5/8");  // 150 x 91: 94 pixels at 5/8, 113 at 6/8
  EXPECT_EQ(lines[0]["width"], 57);
  EXPECT_EQ(lines[0]["height"], 94);
  r = Run({"--json", "-s", "8", "--no-auto-rotate", "--no-keep-exif", "--no-max-edge", "-o", out.string(),
           (in / "phone.jpg").string()});
  lines = r.Lines();
  ASSERT_EQ(lines.size(), 2u) << r.out << r.err;
  EXPECT_FALSE(lines[0].contains("rotated") || lines[0].contains("exif_kept") || lines[0].contains("scale"));
  EXPECT_EQ(lines[0]["width"], 150);
  EXPECT_EQ(lines[0]["height"], 91);
  EXPECT_EQ(Run({"--keep-exif", "--no-keep-exif", "-o", out.string(), in.string()}).code, 2);
  EXPECT_EQ(Run({"--max-edge", "0", "-o", out.string(), in.string()}).code, 2);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// --fit: the size of every output for photos of each shape, with the upright box under --auto-rotate
// and the smaller result against --max-edge; the values it refuses.
TEST_F(CliTest, FitWritesTheLargestSizeInTheBoxNeverEnlarged) {
  struct Case {
    const char* corpus;
    std::vector<std::string> options;
    int width, height;
  } cases[] = {
      {"s011.jpg", {"--fit", "400x300"}, 400, 250},                    // landscape 1680 x 1050
      {"s016.jpg", {"--fit", "100x100"}, 14, 100},                     // portrait 50 x 350
      {"s009.jpg", {"--fit", "400x300"}, 80, 80},                      // already smaller: as it is
      {"s003.jpg", {"--fit", "1x1"}, 1, 1},                            // one grey pixel
      {"s020.jpg", {"--fit", "1x1"}, 1, 1},                            // grey 400 x 210 to one pixel
      {"s026.jpg", {"--fit", "100x100"}, 100, 100},                    // CMYK 256 x 256
      {"s044.jpg", {"--fit", "100x50", "--auto-rotate"}, 30, 50},      // 150 x 91 stored, upright 91 x 150
      {"s044.jpg", {"--fit", "100x50"}, 82, 50},                       // the same box on the stored picture
      {"s011.jpg", {"--fit", "400x300", "--max-edge", "220"}, 210, 132},  // 1/8 beats the fit
      {"s011.jpg", {"--fit", "400x300", "--max-edge", "1000"}, 400, 250}, // 4/8 (840) does not
  };
  for (const Case& c : cases) {
    fs::remove_all(in);
    fs::create_directories(in);
    Copy(c.corpus, "p.jpg");
    std::vector<std::string> args = {"--json", "-s", "1", "-o", out.string(), "--name", "serial", (in / "p.jpg").string()};
    args.insert(args.begin(), c.options.begin(), c.options.end());
    const Result r = Run(args);
    const std::vector<nlohmann::json> lines = r.Lines();
    ASSERT_EQ(r.code, 0) << c.corpus << " " << r.err << r.out;
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0]["width"], c.width) << c.corpus << " " << c.options[1];
    EXPECT_EQ(lines[0]["height"], c.height) << c.corpus << " " << c.options[1];
  }
  for (const char* bad : {"1920x", "0x100", "abc", "70000x10", "x100", "19a0x10"}) {
    const Result r = Run({"--fit", bad, "-o", out.string(), in.string()});
    EXPECT_EQ(r.code, 2) << bad;
    EXPECT_NE(r.err.find("--fit: '" + std::string(bad) + "' is not WIDTHxHEIGHT"), std::string::npos) << r.err;
  }
}

// --recursive: the tree's photos in their order, mirrored below the output folder (with --subfolder at
// the top), Japanese folder names in the dry run, the JSON lines and on disk; hidden folders and a link
// back up the tree left out. Without it only the folder's own photos.
TEST_F(CliTest, RecursiveMirrorsTheTreeLeavingOutHiddenFoldersAndLoops) {
  for (const char* f : {"a.jpg", "写真/夏/c.jpg", "写真/b.jpg", ".hidden/h.jpg"}) {
    fs::create_directories((in / fs::u8path(f)).parent_path());
    fs::copy_file(test::DataDir() / "s002.jpg", in / fs::u8path(f));
  }
  fs::create_directory_symlink(in, in / fs::u8path("写真") / "loop");
  Result r = Run({"--dry-run", "-o", out.string(), in.string()});
  EXPECT_EQ(r.out, "a.jpg -> a.jpg\n");
  r = Run({"--dry-run", "-r", "--name", "serial", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "a.jpg -> 00.jpg\n写真/b.jpg -> 写真/01.jpg\n写真/夏/c.jpg -> 写真/夏/02.jpg\n");
  r = Run({"--json", "--recursive", "--subfolder", "web", "--delete-input", "delete", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_FALSE(lines[0].contains("folder"));
  EXPECT_EQ(lines[2]["folder"], "写真/夏");
  EXPECT_EQ(lines[2]["output"], (out / "web" / fs::u8path("写真/夏/c.jpg")).u8string());
  EXPECT_EQ(lines[3]["summary"]["written"], 3);
  for (const char* f : {"web/a.jpg", "web/写真/b.jpg", "web/写真/夏/c.jpg"}) EXPECT_TRUE(fs::exists(out / fs::u8path(f))) << f;
  EXPECT_FALSE(fs::exists(out / "web" / ".hidden"));
  // The converted photos are removed from their own folders; the hidden folder's photo was never an input.
  for (const char* f : {"a.jpg", "写真/b.jpg", "写真/夏/c.jpg"}) EXPECT_FALSE(fs::exists(in / fs::u8path(f))) << f;
  EXPECT_TRUE(fs::exists(in / ".hidden" / "h.jpg"));
}

}  // namespace
}  // namespace qv
