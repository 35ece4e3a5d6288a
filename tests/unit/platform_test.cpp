// The platform layer: mappings (including the sizes it must refuse), temporary files, output files,
// text conversions, which names count as taken, files that are no input. The same tests run against the
// POSIX and the Win32 implementation; a few cases exist on POSIX only (FIFOs, raw-byte names).
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <set>
#include <utility>
#include <chrono>
#ifndef _WIN32
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "batch/input_listing.h"
#include "platform/directory.h"
#include "platform/files.h"
#include "platform/system_folders.h"
#include "platform/text.h"
#include "test_support.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

TEST(MapInputFile, MapsWholeFileAndUnmapsCleanly) {
  ScratchDir dir;
  std::vector<unsigned char> bytes(70000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  test::WriteAll(dir.path() / "a.bin", bytes);
  MappedInputFile m;
  ASSERT_EQ(MapInputFile(dir.file("a.bin"), m), bytes.size());
  ASSERT_NE(m.view, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(m.view, m.view + m.size), bytes);
  UnmapInputFile(m);
  EXPECT_EQ(m.view, nullptr);
  EXPECT_EQ(m.file, kInvalidFile);
  // The file is closed again: it can be deleted (on Windows an open handle would prevent it).
  EXPECT_TRUE(DeleteFileAt(dir.file("a.bin")));
}

TEST(MapInputFile, FailsForMissingEmptyAndFolder) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "empty.jpg", {});
  for (const std::wstring& path : {dir.file("missing.jpg"), dir.file("empty.jpg"), dir.folder()}) {
    MappedInputFile m;
    EXPECT_EQ(MapInputFile(path, m), 0u);
    EXPECT_EQ(m.view, nullptr);
    UnmapInputFile(m);  // partly opened records are released too
    EXPECT_EQ(m.file, kInvalidFile);
  }
  MappedInputFile never;
  UnmapInputFile(never);
}

TEST(MapInputFile, RefusesFilesThatA32BitSizeCannotDescribe) {
  ScratchDir dir;
  for (uintmax_t size : {uintmax_t{0x100000000}, uintmax_t{0x100000001}}) {
    const fs::path path = dir.path() / "huge.bin";
    { test::WriteAll(path, {0xFF, 0xD8}); }
    std::error_code ec;
    fs::resize_file(path, size, ec);  // sparse: no disk space is used
    if (ec) GTEST_SKIP() << "cannot make a sparse file here: " << ec.message();
    MappedInputFile m;
    EXPECT_EQ(MapInputFile(path.wstring(), m), 0u) << size;
    EXPECT_EQ(m.view, nullptr);
    UnmapInputFile(m);
    fs::remove(path);
  }
}

TEST(ReadFileHead, ReadsExactlyOrFails) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "one", {0xFF});
  test::WriteAll(dir.path() / "two", {0xFF, 0xD8, 0xFF});
  unsigned char head[2] = {};
  EXPECT_FALSE(ReadFileHead(dir.file("one"), head, 2));
  EXPECT_FALSE(ReadFileHead(dir.file("none"), head, 2));
  ASSERT_TRUE(ReadFileHead(dir.file("two"), head, 2));
  EXPECT_EQ(head[0], 0xFF);
  EXPECT_EQ(head[1], 0xD8);
}

TEST(FileIdentity, OneFileUnderTwoSpellingsAndANewVersionUnderOneName) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "a.jpg", {1, 2, 3});
  const FileIdentity first = IdentifyFile(dir.file("a.jpg"));
  ASSERT_TRUE(first.known);
  EXPECT_TRUE(IsUnchangedFile(first, IdentifyFile((dir.path() / "." / "a.jpg").wstring())));
  MappedInputFile m;
  ASSERT_EQ(MapInputFile(dir.file("a.jpg"), m), 3u);
  EXPECT_TRUE(IsUnchangedFile(m.identity, first));  // what the mapping shows is that version
  UnmapInputFile(m);
  // Saved anew as editors do (a new file renamed over it), and written in place with the same size.
  test::WriteAll(dir.path() / "b.tmp", {1, 2, 3});
  fs::rename(dir.path() / "b.tmp", dir.path() / "a.jpg");
  const FileIdentity saved = IdentifyFile(dir.file("a.jpg"));
  EXPECT_FALSE(IsSameFile(first, saved));
  fs::last_write_time(dir.path() / "a.jpg", fs::last_write_time(dir.path() / "a.jpg") + std::chrono::seconds(3));
  const FileIdentity touched = IdentifyFile(dir.file("a.jpg"));
  EXPECT_TRUE(IsSameFile(saved, touched));
  EXPECT_FALSE(IsUnchangedFile(saved, touched));
  EXPECT_FALSE(IdentifyFile(dir.file("missing")).known);
  EXPECT_FALSE(IsSameFile(FileIdentity{}, FileIdentity{}));
}

TEST(OwnerLock, HeldWhileItsOwnerLivesAndAbandonedAfter) {
  ScratchDir dir;
  EXPECT_FALSE(IsOwnerLockAbandoned(dir.file("none")));
  ASSERT_TRUE(HoldOwnerLock(dir.file("lock")));
  EXPECT_FALSE(IsOwnerLockAbandoned(dir.file("lock")));
  ReleaseOwnerLocks();  // as the system does when the owner ends
  EXPECT_TRUE(IsOwnerLockAbandoned(dir.file("lock")));
}

TEST(TempFiles, UniqueEmptyFilesWithTmpPrefix) {
  ScratchDir dir;
  std::set<std::wstring> names;
  for (int i = 0; i < 5; ++i) {
    std::wstring path;
    ASSERT_TRUE(CreateUniqueTempFile(dir.folder(), path));
    EXPECT_TRUE(names.insert(path).second);
    const fs::path p(path);
    EXPECT_EQ(p.parent_path(), dir.path());
    EXPECT_EQ(p.filename().wstring().rfind(L"tmp", 0), 0u);
    EXPECT_EQ(fs::file_size(p), 0u);
  }
  std::wstring path;
  EXPECT_FALSE(CreateUniqueTempFile(dir.file("no-such-folder"), path));
  const std::wstring tmp = TemporaryFolder();
  ASSERT_FALSE(tmp.empty());
  EXPECT_TRUE(tmp.back() == L'/' || tmp.back() == L'\\');
  EXPECT_TRUE(PathExists(tmp));
}

// A folder deeper than Windows' MAX_PATH: every file call a run makes works there (on Windows in the
// extended form, whatever the system's long-path setting), and the paths handed back are whole.
TEST(LongPaths, EveryFileCallOfARunWorksBeyondMaxPath) {
  ScratchDir dir;
  const std::wstring folder = test::MakeLongFolder(dir);
  ASSERT_GT(folder.size(), 300u);
  EXPECT_TRUE(IsExistingFolder(folder));
  EXPECT_EQ(AbsolutePath(folder).size(), folder.size());

  std::wstring temp;
  ASSERT_TRUE(CreateUniqueTempFile(folder, temp));
  EXPECT_EQ(ParentPath(temp), folder);
  EXPECT_TRUE(PathExists(temp));
  EXPECT_TRUE(DeleteFileAt(temp));
  EXPECT_FALSE(PathExists(temp));

  const std::wstring input = JoinPath(folder, L"写真.jpg");
  {
    OutputFile file = CreateOutputFile(input);
    ASSERT_TRUE(file.IsOpen());
    ASSERT_TRUE(file.Write("\xFF\xD8\xFF", 3));
  }
  EXPECT_TRUE(IsRegularFile(input));
  unsigned char head[2] = {};
  EXPECT_TRUE(ReadFileHead(input, head, sizeof(head)));
  MappedInputFile mapped;
  EXPECT_EQ(MapInputFile(input, mapped), 3u);
  const FileIdentity identity = IdentifyFile(input);
  EXPECT_TRUE(IsSameFile(identity, mapped.identity));
  UnmapInputFile(mapped);
  const std::vector<DirectoryEntry> entries = FindEntries(folder, L".jpg");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, L"写真.jpg");

  const std::wstring output = JoinPath(folder, L"out.jpg");
  EXPECT_EQ(CopyFileNoReplace(input, output, CopyDurability::kOnDisk), CopyResult::kCopied);
  EXPECT_EQ(CopyFileNoReplace(input, output, CopyDurability::kCached), CopyResult::kTargetExists);
  EXPECT_TRUE(IsNameTaken(output));
  EXPECT_TRUE(SetModificationTime(output, identity));
  EXPECT_EQ(IdentifyFile(output).modified, identity.modified);
  EXPECT_TRUE(DeleteFileAt(output));
  EXPECT_TRUE(DeleteFileAt(input));

  const std::wstring sub = JoinPath(folder, L"Output");
  EXPECT_TRUE(CreateFolder(sub));
  EXPECT_TRUE(HoldOwnerLock(JoinPath(sub, L"lock")));
  ReleaseOwnerLocks();
  EXPECT_TRUE(IsOwnerLockAbandoned(JoinPath(sub, L"lock")));
  EXPECT_TRUE(DeleteFileAt(JoinPath(sub, L"lock")));
  EXPECT_TRUE(RemoveEmptyFolder(sub));
  EXPECT_FALSE(IsExistingFolder(sub));
}

TEST(OutputFiles, CreateReplacesAndWrites) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "out.jpg", std::vector<unsigned char>(100, 1));
  OutputFile f = CreateOutputFile(dir.file("out.jpg"));
  ASSERT_TRUE(f.IsOpen());
  EXPECT_TRUE(f.Write("abc", 3));
  f.Close();
  EXPECT_FALSE(f.Write("d", 1));
  EXPECT_EQ(test::ReadAll(dir.path() / "out.jpg"), (std::vector<unsigned char>{'a', 'b', 'c'}));
  EXPECT_FALSE(CreateOutputFile(dir.file("missing-folder/out.jpg")).IsOpen());
  EXPECT_TRUE(DeleteFileAt(dir.file("out.jpg")));
  EXPECT_FALSE(PathExists(dir.file("out.jpg")));
  EXPECT_FALSE(DeleteFileAt(dir.file("out.jpg")));
}

TEST(PixelBlocks, AreZeroFilled) {
  const size_t bytes = 3 * 1024 * 1024 + 17;
  auto* block = static_cast<unsigned char*>(AllocatePixelBlock(bytes));
  ASSERT_NE(block, nullptr);
  size_t nonZero = 0;
  for (size_t i = 0; i < bytes; i += 4093) nonZero += block[i] != 0;
  EXPECT_EQ(nonZero, 0u);
  EXPECT_EQ(block[bytes - 1], 0);
  ReleasePixelBlock(block, bytes);
  ReleasePixelBlock(nullptr, 0);
  EXPECT_GT(PhysicalMemoryBytes(), 0u);
}

// The owning records hand their resource on when moved and release it exactly once: a block released
// twice or never shows in the sanitizer build, a file left open cannot be deleted or read on Windows.
TEST(OwningRecords, MovesHandOnAndAssignmentReleasesTheOldResource) {
  PixelBlock a = PixelBlock::Allocate(64);
  ASSERT_TRUE(a);
  a.Data()[0] = 7;
  PixelBlock b(std::move(a));
  EXPECT_FALSE(a);
  EXPECT_EQ(a.Size(), 0u);
  EXPECT_EQ(b.Data()[0], 7);
  b = PixelBlock::Allocate(32);  // the first block is released here
  EXPECT_EQ(b.Size(), 32u);
  const size_t size = b.Size();
  unsigned char* handed = b.Release();
  EXPECT_FALSE(b);
  PixelBlock adopted(handed, size);
  EXPECT_FALSE(PixelBlock::Allocate(0));

  ScratchDir dir;
  test::WriteAll(dir.path() / "a.bin", {1, 2, 3});
  test::WriteAll(dir.path() / "b.bin", {4, 5});
  {
    MappedInputFile m;
    ASSERT_EQ(MapInputFile(dir.file("a.bin"), m), 3u);
    MappedInputFile moved(std::move(m));
    EXPECT_EQ(m.view, nullptr);
    EXPECT_EQ(m.file, kInvalidFile);
    EXPECT_EQ(moved.view[2], 3);
    ASSERT_EQ(MapInputFile(dir.file("b.bin"), moved), 2u);  // a.bin is released first
    EXPECT_TRUE(DeleteFileAt(dir.file("a.bin")));
    MappedInputFile other;
    other = std::move(moved);
    EXPECT_EQ(other.view[1], 5);
  }
  EXPECT_TRUE(DeleteFileAt(dir.file("b.bin")));  // released at the end of the scope

  OutputFile first = CreateOutputFile(dir.file("one.jpg"));
  ASSERT_TRUE(first.Write("1", 1));
  OutputFile second(std::move(first));
  EXPECT_FALSE(first.IsOpen());
  EXPECT_TRUE(second.Write("2", 1));
  second = CreateOutputFile(dir.file("two.jpg"));  // one.jpg is closed here
  EXPECT_EQ(test::ReadAll(dir.path() / "one.jpg"), (std::vector<unsigned char>{'1', '2'}));
  EXPECT_TRUE(DeleteFileAt(dir.file("one.jpg")));
  EXPECT_TRUE(second.IsOpen());
}

TEST(Text, Utf8RoundTripsIncludingAstralCharacters) {
  const std::wstring text = L"a\u00e9\u65e5\u672c\U0001F600z";
  const std::string utf8 = ToUtf8(text);
  EXPECT_EQ(utf8, "a\xc3\xa9\xe6\x97\xa5\xe6\x9c\xac\xf0\x9f\x98\x80z");
  EXPECT_EQ(FromUtf8(utf8), text);
}

TEST(Text, EveryByteStringRoundTripsThroughWideText) {
  // Each byte that does not begin a valid sequence becomes U+DC00 + byte on its own.
  auto escaped = [](std::initializer_list<unsigned> bytes) {
    std::wstring w;
    for (unsigned b : bytes) w += static_cast<wchar_t>(0xDC00 + b);
    return w;
  };
  struct Case {
    const char* what;
    std::string bytes;
    std::wstring wide;
  };
  const Case cases[] = {
      {"valid", "a\xc3\xa9\xe6\x97\xa5", L"a\u00e9\u65e5"},
      {"bad lead",
       "\xff"
       "a",
       escaped({0xFF}) + L"a"},
      {"stray continuation", "\x80\xbf", escaped({0x80, 0xBF})},
      {"latin-1 name", "\xe9t\xe9.jpg", escaped({0xE9}) + L"t" + escaped({0xE9}) + L".jpg"},
      {"truncated at end", "a\xe6\x97", L"a" + escaped({0xE6, 0x97})},
      {"truncated before ascii",
       "\xf0\x9f\x98"
       "b",
       escaped({0xF0, 0x9F, 0x98}) + L"b"},
      {"overlong slash", "\xc0\xaf", escaped({0xC0, 0xAF})},
      {"overlong three bytes", "\xe0\x80\xaf", escaped({0xE0, 0x80, 0xAF})},
      {"encoded surrogate", "\xed\xa0\x80\xed\xb2\x80", escaped({0xED, 0xA0, 0x80, 0xED, 0xB2, 0x80})},
      {"above U+10FFFF", "\xf4\x90\x80\x80", escaped({0xF4, 0x90, 0x80, 0x80})},
      {"five-byte lead", "\xf8\x88\x80\x80\x80", escaped({0xF8, 0x88, 0x80, 0x80, 0x80})},
      {"escape next to its own bytes", "\xed\xb2\x80\x80", escaped({0xED, 0xB2, 0x80, 0x80})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FromUtf8(c.bytes), c.wide) << c.what;
    EXPECT_EQ(ToUtf8(c.wide), c.bytes) << c.what;
  }
  // Wide text that holds no escaped byte: other lone surrogates have no bytes of their own.
  EXPECT_EQ(ToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xef\xbf\xbd");
  EXPECT_EQ(ToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC7F))), "\xef\xbf\xbd");
}

TEST(Text, AnsiCodePageKeepsAsciiAndLineBreaks) {
  EXPECT_EQ(ToAnsiCodePage(L"line1\r\nline2"), "line1\r\nline2");
  EXPECT_EQ(ToAnsiCodePage(L""), "");
}

TEST(Text, AnsiCodePageFollowsTheJapaneseLocale) {
  // Windows in Japanese uses code page 932 (Shift-JIS); a POSIX Japanese locale uses its code set.
  const std::string kanji = ToAnsiCodePage(L"\u65e5\u672c");
#ifdef _WIN32
  EXPECT_EQ(kanji, "\x93\xfa\x96\x7b");
#else
  const char* saved = std::setlocale(LC_CTYPE, nullptr);
  const std::string savedName = saved != nullptr ? saved : "C";
  if (std::setlocale(LC_CTYPE, "ja_JP.UTF-8") == nullptr) GTEST_SKIP() << "ja_JP.UTF-8 not generated";
  EXPECT_EQ(ToAnsiCodePage(L"\u65e5\u672c"), "\xe6\x97\xa5\xe6\x9c\xac");
  std::setlocale(LC_CTYPE, "C");
  EXPECT_EQ(ToAnsiCodePage(L"a\u65e5b"), "a?b");
  std::setlocale(LC_CTYPE, savedName.c_str());
  (void)kanji;
#endif
}

TEST(Names, TakenByAnyEntryOrByANameDifferingOnlyInCase) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "IMG_0001.JPG", {1});
  fs::create_directory(dir.path() / "Sub.jpg");
  struct Case {
    const char* name;
    bool taken;
  };
  const Case cases[] = {{"IMG_0001.JPG", true}, {"img_0001.jpg", true},  {"IMG_0001.jpg", true},
                        {"sub.JPG", true},      {"IMG_0002.jpg", false}, {"IMG_0001.jpg.jpg", false}};
  for (const Case& c : cases) EXPECT_EQ(IsNameTaken(dir.file(c.name)), c.taken) << c.name;
  EXPECT_FALSE(IsNameTaken(dir.file("missing-folder/a.jpg")));
  EXPECT_TRUE(IsRegularFile(dir.file("IMG_0001.JPG")));
  EXPECT_FALSE(IsRegularFile(dir.file("Sub.jpg")));
  EXPECT_FALSE(IsRegularFile(dir.file("IMG_0002.jpg")));
}

#ifndef _WIN32
TEST(Names, DanglingSymbolicLinkIsTakenAndListed) {
  ScratchDir dir;
  fs::create_symlink(dir.path() / "nowhere.jpg", dir.path() / "a.jpg");
  EXPECT_TRUE(IsNameTaken(dir.file("a.jpg")));
  EXPECT_TRUE(IsNameTaken(dir.file("A.JPG")));
  EXPECT_FALSE(IsRegularFile(dir.file("a.jpg")));
  const std::vector<DirectoryEntry> entries = FindEntries(dir.folder(), L".jpg");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].attributes & kAttributeNotRegular, kAttributeNotRegular);
  EXPECT_TRUE(ListInputFolder(dir.folder(), 0).empty());
}

TEST(Names, RawByteNamesListMapAndExist) {
  // A Latin-1 name, a folder with an invalid byte, and two names that a lossy conversion would merge:
  // "x\xff.jpg" and "x\uFFFD.jpg".
  ScratchDir dir;
  const std::string latin1 = "caf\xe9.jpg", lossy = "x\xff.jpg", replacement = "x\xef\xbf\xbd.jpg";
  test::WriteAll(dir.path() / latin1, {0xFF, 0xD8, 1});
  test::WriteAll(dir.path() / lossy, {0xFF, 0xD8, 2, 2});
  test::WriteAll(dir.path() / replacement, {0xFF, 0xD8, 3, 3, 3});
  fs::create_directory(dir.path() / "d\xff.jpg");
  std::set<std::wstring> files;
  for (const DirectoryEntry& e : FindEntries(dir.folder(), L".jpg")) {
    const std::wstring path = JoinPath(dir.folder(), e.name);
    if ((e.attributes & kAttributeDirectory) != 0) {
      EXPECT_EQ(ToUtf8(e.name), "d\xff.jpg");
      EXPECT_TRUE(IsExistingFolder(path));
      continue;
    }
    files.insert(e.name);
    MappedInputFile m;
    EXPECT_EQ(MapInputFile(path, m), e.size) << ToUtf8(e.name);
    UnmapInputFile(m);
    EXPECT_TRUE(IsRegularFile(path));
    EXPECT_TRUE(IsNameTaken(path));
    EXPECT_EQ(fs::path(ToUtf8(path)), dir.path() / ToUtf8(e.name));
  }
  EXPECT_EQ(files, (std::set<std::wstring>{FromUtf8(latin1), FromUtf8(lossy), FromUtf8(replacement)}));
  EXPECT_EQ(ListInputFolder(dir.folder(), 0).size(), 3u);
}

TEST(SpecialFiles, AFifoIsNoInputAndNeverBlocks) {
  ScratchDir dir;
  const std::string fifo = (dir.path() / "x.jpg").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::wstring path = dir.file("x.jpg");
  // Every opening call must return at once; a blocked one is released by opening the writing end.
  auto returnsPromptly = [&](const char* what, auto call) {
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) {
      EXPECT_FALSE(done.get()) << what;
      return;
    }
    ADD_FAILURE() << what << " waits for a writer of the FIFO";
    const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    done.wait();
    if (writer >= 0) close(writer);
  };
  returnsPromptly("ReadFileHead", [&] {
    unsigned char head[2];
    return ReadFileHead(path, head, 2);
  });
  returnsPromptly("MapInputFile", [&] {
    MappedInputFile m;
    const bool mapped = MapInputFile(path, m) != 0;
    UnmapInputFile(m);
    return mapped;
  });
  EXPECT_FALSE(IsRegularFile(path));
  EXPECT_TRUE(IsNameTaken(path));
  const std::vector<DirectoryEntry> entries = FindEntries(dir.folder(), L".jpg");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].attributes & (kAttributeNotRegular | kAttributeDirectory), kAttributeNotRegular);
  EXPECT_TRUE(ListInputFolder(dir.folder(), 0).empty());
}

TEST(RecycleFile, KeepsTheFileWhereThereIsNoTrash) {
  // GIO refuses to trash on system-internal mounts such as /dev/shm; the file must stay, not be deleted.
  const fs::path shm = "/dev/shm";
  const fs::path file = shm / ("qvtest-recycle-" + std::to_string(getpid()) + ".jpg");
  std::error_code ec;
  if (!fs::is_directory(shm, ec) || access(shm.c_str(), W_OK) != 0) GTEST_SKIP() << "no writable /dev/shm";
  test::WriteAll(file, {0xFF, 0xD8});
  EXPECT_FALSE(RecycleFile(file.wstring()));
  EXPECT_TRUE(fs::exists(file));
  fs::remove(file, ec);
}
#endif

}  // namespace
}  // namespace qv
