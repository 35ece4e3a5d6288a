// The platform layer: mappings (including the sizes it must refuse), temporary files, output files,
// text conversions. The same tests run against the POSIX and the Win32 implementation.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <set>

#include "platform/files.h"
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

TEST(OutputFiles, CreateReplacesAndWrites) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "out.jpg", std::vector<unsigned char>(100, 1));
  intptr_t f = CreateOutputFile(dir.file("out.jpg"));
  ASSERT_NE(f, kInvalidFile);
  EXPECT_TRUE(WriteOutputFile(f, "abc", 3));
  CloseOutputFile(f);
  EXPECT_EQ(test::ReadAll(dir.path() / "out.jpg"), (std::vector<unsigned char>{'a', 'b', 'c'}));
  EXPECT_EQ(CreateOutputFile(dir.file("missing-folder/out.jpg")), kInvalidFile);
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

TEST(Text, Utf8RoundTripsIncludingAstralCharacters) {
  const std::wstring text = L"a\u00e9\u65e5\u672c\U0001F600z";
  const std::string utf8 = ToUtf8(text);
  EXPECT_EQ(utf8, "a\xc3\xa9\xe6\x97\xa5\xe6\x9c\xac\xf0\x9f\x98\x80z");
  EXPECT_EQ(FromUtf8(utf8), text);
  EXPECT_EQ(FromUtf8("\xff" "a\xe6\x97"), L"\ufffda\ufffd\ufffd");
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

}  // namespace
}  // namespace qv
