// The command line as a user runs it: exit codes, the summary, --dry-run and --json output, settings
// read and saved, and Ctrl-C in the middle of a run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
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

  // Runs quorvix with `args`; `interruptAfterLines` sends SIGINT once that many lines were printed.
  Result Run(std::vector<std::string> args, int interruptAfterLines = -1) {
    args.insert(args.begin(), QV_CLI_PROGRAM);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = {"XDG_CONFIG_HOME=" + config, "LANG=C.UTF-8",
                                           "XDG_DATA_HOME=" + (scratch.path() / "data").string(),
                                           "TMPDIR=" + (scratch.path() / "tmp").string(), "ASAN_OPTIONS=detect_leaks=1"};
    fs::create_directories(scratch.path() / "tmp");
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    int outPipe[2], errPipe[2];
    EXPECT_EQ(pipe(outPipe), 0);
    EXPECT_EQ(pipe(errPipe), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    Result r;
    if (interruptAfterLines >= 0) {
      char c;
      int lines = 0;
      while (lines < interruptAfterLines && read(outPipe[0], &c, 1) == 1) {
        r.out += c;
        if (c == '\n') ++lines;
      }
      kill(pid, SIGINT);
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
  EXPECT_NE(r.out.find("Exit status"), std::string::npos);
  for (std::vector<std::string> bad : {std::vector<std::string>{}, {"--quality", "0", "x.jpg"}, {"--bogus", "x"},
                                       {"--sampling", "411", "x"}, {"--scale", "17", "x"}, {"--limit", "5", "--no-limit", "x"}}) {
    r = Run(bad);
    EXPECT_EQ(r.code, 2) << (bad.empty() ? "(none)" : bad[0]);
    EXPECT_FALSE(r.err.empty());
  }
}

TEST_F(CliTest, ConvertsAFolderWithSerialNamesAndPrintsTheSummary) {
  Copy("s005.jpg", "b.jpg");
  Copy("s006.jpg", "a10.jpg");
  Copy("s007.jpg", "a9.jpg");
  Result r = Run({"--name", "serial", "--digits", "3", "--start", "5", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "入力ファイル数  3\n出力ファイル数  3\n");
  // Natural order: a9, a10, b.
  EXPECT_EQ(test::ReadAll(out / "005.jpg").size(), fs::file_size(out / "005.jpg"));
  EXPECT_TRUE(fs::exists(out / "006.jpg"));
  EXPECT_TRUE(fs::exists(out / "007.jpg"));
  EXPECT_EQ(Count(out), 3u);
  EXPECT_EQ(Count(scratch.path() / "tmp"), 0u);
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

TEST_F(CliTest, DryRunShowsThePlannedNamesAndConvertsNothing) {
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
}

TEST_F(CliTest, OutputFolderRulesAndFailuresBeforeTheRun) {
  Copy("s002.jpg", "a.jpg");
  Result r = Run({"-o", (scratch.path() / "missing").string(), in.string()});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "出力フォルダが無効です。\n");
  // Without -o and without a Send To folder: beside the input.
  r = Run({"--quiet", (in / "a.jpg").string()});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(fs::exists(in / "a+1.jpg"));
  // An empty folder has nothing to convert.
  fs::create_directories(scratch.path() / "empty");
  r = Run({(scratch.path() / "empty").string()});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "対象ファイルがありません。\n");
  // A sub-folder that cannot be made.
  test::WriteAll(out / "blocked", {1});
  r = Run({"-o", out.string(), "--subfolder", "blocked", (in / "a.jpg").string()});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "フォルダ作成に失敗しました。\n");
}

TEST_F(CliTest, SettingsAreReadOverriddenAndSavedOnlyWhenAsked) {
  Copy("s002.jpg", "a.jpg");
  const fs::path ini = scratch.path() / "my.ini";
  Result r = Run({"--settings", ini.string(), "-q", "40", "-o", out.string(), in.string()});
  EXPECT_EQ(r.code, 0);
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

TEST_F(CliTest, CtrlCStopsAfterTheCurrentFileWithASummary) {
  for (int i = 0; i < 40; ++i) Copy("s030.jpg", "p" + std::to_string(i) + ".jpg");
  Result r = Run({"--json", "--scale", "4", "-o", out.string(), in.string()}, 1);
  EXPECT_EQ(r.code, 1);
  const std::vector<nlohmann::json> lines = r.Lines();
  ASSERT_GE(lines.size(), 2u);
  const nlohmann::json& summary = lines.back()["summary"];
  EXPECT_EQ(summary["cancelled"], true);
  EXPECT_EQ(summary["planned"], 40);
  EXPECT_LT(summary["written"].get<int>(), 40);
  EXPECT_EQ(static_cast<size_t>(summary["written"].get<int>()), Count(out));
  EXPECT_EQ(Count(scratch.path() / "tmp"), 0u);
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

}  // namespace
}  // namespace qv
