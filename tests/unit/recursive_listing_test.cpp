// Folder trees: the order of a tree listing, what it leaves out (hidden folders, links back up the tree),
// and a run over a tree mirroring its sub-folders (Japanese names), with serial numbers over the whole
// run, collisions per output folder and the planned names of the dry run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "batch/input_listing.h"
#include "batch/run.h"
#include "platform/system_folders.h"
#include "platform/text.h"
#include "recording_observer.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace qv {
namespace {

namespace fs = std::filesystem;

// A relative path or name in UTF-8 with "/" whatever the platform's separator.
std::string Slashed(const std::wstring& relative) {
  std::string text = ToUtf8(relative);
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

// "folder/name" of each row.
std::vector<std::string> Listed(const std::vector<InputRow>& rows) {
  std::vector<std::string> listed;
  for (const InputRow& r : rows) listed.push_back(Slashed(r.folder.empty() ? r.name : r.folder + L"/" + r.name));
  return listed;
}

class TreeTest : public ::testing::Test {
 protected:
  // Copies a test photo to `relative` ("/"-separated, UTF-8) below the input folder, making its folders.
  void Put(const std::string& relative, const std::string& corpus = "s002.jpg") {
    const fs::path target = in.path() / fs::u8path(relative);
    fs::create_directories(target.parent_path());
    fs::copy_file(test::DataDir() / corpus, target);
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
  }
  void MakeHiddenFolder(const std::string& name) {
#ifdef _WIN32
    Put(name + "/h.jpg");
    SetFileAttributesW((in.path() / name).wstring().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
#else
    Put("." + name + "/h.jpg");
#endif
  }
  RunRequest TreeRequest() const {
    RunRequest request;
    std::vector<RunRow> rows;
    for (const InputRow& r : ListInputTree(in.folder(), 2)) rows.push_back({r.name, r.checked, r.folder});
    request.inputs = CheckedRunInputs(in.folder(), rows);
    request.outputFolder = out.folder();
    request.params = params;
    request.disposal = DisposalOf(params);
    return request;
  }
  // Every file below `dir`, "/"-separated and sorted.
  static std::vector<std::string> FilesBelow(const fs::path& dir) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.is_regular_file()) files.push_back(fs::relative(e.path(), dir).generic_u8string());
    std::sort(files.begin(), files.end());
    return files;
  }

  test::ScratchDir in, out;
  ConversionParams params;
};

TEST_F(TreeTest, OwnPhotosFirstThenSubFoldersInNaturalOrderDepthFirst) {
  for (const char* f : {"b.jpg", "a10.jpg", "旅行/2日目/c.jpg", "旅行/a.jpg", "x9/d.jpg", "x10/e.jpg", "x9/y/f.jpg",
                        "empty/readme.txt"})
    Put(f);
  MakeHiddenFolder("hidden");
  EXPECT_EQ(Listed(ListInputTree(in.folder(), 2)),
            (std::vector<std::string>{"a10.jpg", "b.jpg", "x9/d.jpg", "x9/y/f.jpg", "x10/e.jpg", "旅行/a.jpg",
                                      "旅行/2日目/c.jpg"}));
  // Without the tree nothing changes: the folder's own photos, no folder column.
  EXPECT_EQ(Listed(ListInputFolder(in.folder(), 2)), (std::vector<std::string>{"a10.jpg", "b.jpg"}));
}

#ifndef _WIN32
TEST_F(TreeTest, LinksBackUpTheTreeAndSecondNamesOfAFolderAreLeftOut) {
  Put("a/p.jpg");
  Put("b/q.jpg");
  fs::create_directory_symlink(in.path(), in.path() / "a" / "loop");    // back to the top
  fs::create_directory_symlink(in.path() / "a", in.path() / "b" / "up");  // a folder listed already
  fs::create_directory_symlink(in.path() / "b", in.path() / "0b");        // sorted first: the link is kept
  EXPECT_EQ(Listed(ListInputTree(in.folder(), 2)), (std::vector<std::string>{"0b/q.jpg", "a/p.jpg"}));
}
#endif

TEST_F(TreeTest, ARunMirrorsTheTreeSerialNumbersCountOverItNamesCollidePerFolder) {
  for (const char* f : {"a.jpg", "写真/a.jpg", "写真/b.jpg", "写真/夏/a.jpg"}) Put(f);
  fs::create_directories(out.path() / fs::u8path("写真"));
  test::WriteAll(out.path() / fs::u8path("写真/b.jpg"), {1});  // taken in that output folder only

  test::RecordingObserver observer;
  RunSummary summary = ExecuteRun(TreeRequest(), observer);
  EXPECT_EQ(summary.written, 4);
  EXPECT_EQ(FilesBelow(out.path()), (std::vector<std::string>{"a.jpg", "写真/a.jpg", "写真/b+1.jpg", "写真/b.jpg",
                                                               "写真/夏/a.jpg"}));
  ASSERT_EQ(observer.outcomes.size(), 4u);
  EXPECT_EQ(Slashed(observer.outcomes[3].folder), "写真/夏");

  // Serial numbers over the whole run, each in its own folder; --dry-run plans the same names.
  test::ScratchDir serialOut;
  params.NameSet = 2, params.DigitNum = 2, params.StartNum = 1;
  params.MkDirAdd = 1, params.MkDirStr = L"web";
  RunRequest request = TreeRequest();
  request.outputFolder = serialOut.folder();
  const auto planned = PlanOutputNames(request);
  ASSERT_TRUE(planned);
  std::vector<std::string> plannedNames;
  for (const NameCheckRow& row : *planned)
    plannedNames.push_back(Slashed(row.folder.empty() ? row.outputName : row.folder + L"/" + row.outputName));
  EXPECT_EQ(plannedNames, (std::vector<std::string>{"01.jpg", "写真/02.jpg", "写真/03.jpg", "写真/夏/04.jpg"}));
  test::RecordingObserver again;
  ExecuteRun(request, again);
  EXPECT_EQ(FilesBelow(serialOut.path()),
            (std::vector<std::string>{"web/01.jpg", "web/写真/02.jpg", "web/写真/03.jpg", "web/写真/夏/04.jpg"}));
}

TEST_F(TreeTest, InputsAreRemovedOnlyWithTheirOutputAndUnneededFoldersAreNotMade) {
  Put("ok/a.jpg");
  Put("bad/b.jpg");
  test::WriteAll(in.path() / "bad" / "b.jpg", {0xFF, 0xD8, 0xFF});  // a JPEG cut short before its frame
  params.IFileDel = 1, params.Recycle = 0;
  test::RecordingObserver observer;
  ExecuteRun(TreeRequest(), observer);
  EXPECT_FALSE(fs::exists(in.path() / "ok" / "a.jpg"));
  EXPECT_TRUE(fs::exists(in.path() / "bad" / "b.jpg"));
  EXPECT_EQ(FilesBelow(out.path()), (std::vector<std::string>{"ok/a.jpg"}));
  EXPECT_FALSE(fs::exists(out.path() / "bad"));
}

}  // namespace
}  // namespace qv
