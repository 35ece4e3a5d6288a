// The profile (INI) layer: how a file is read and rewritten. The same expectations hold for the Win32
// implementation (the private-profile functions) and our POSIX one, so a settings file reads the same on
// both systems.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "test_support.h"

namespace qv {
namespace {

using test::ScratchDir;

// UTF-16LE file bytes with byte-order mark for text of the Basic Multilingual Plane.
std::vector<unsigned char> Utf16File(const std::wstring& text) {
  std::vector<unsigned char> bytes = {0xFF, 0xFE};
  for (wchar_t c : text) {
    bytes.push_back(static_cast<unsigned char>(c & 0xFF));
    bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
  }
  return bytes;
}

TEST(Profile, ReadsSectionsKeysAndValuesLikeTheWindowsFunctions) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "a.ini", Utf16File(L"loose=before any section\r\n"
                                                 L"[ Names ] trailing text\r\n"
                                                 L"  Key  =  value  \r\n"
                                                 L"key=second key of the name\r\n"
                                                 L"dq=\" kept blanks \"\n"
                                                 L"sq='x'\n"
                                                 L"half=\"open\r"
                                                 L"eq=a=b\r\n"
                                                 L"noequals\r\n"
                                                 L"[NoClose\r\n"
                                                 L"after=still in Names\r\n"
                                                 L"empty=\r\n"
                                                 L"tabs=\t\u65e5\u672c\t\r\n"
                                                 L"[names]\r\n"
                                                 L"other=second section of the name\r\n"
                                                 L"[Last]\r\n"
                                                 L"last=no line end"));
  const auto file = OpenProfileForReading(dir.file("a.ini"));
  EXPECT_TRUE(file->Exists());
  const struct {
    const wchar_t* section;
    const wchar_t* key;
    std::optional<std::wstring> value;
  } cases[] = {
      {L"Names", L"Key", L"value"},
      {L"NAMES", L"kEY", L"value"},
      {L"Names", L"dq", L" kept blanks "},
      {L"Names", L"sq", L"x"},
      {L"Names", L"half", L"\"open"},
      {L"Names", L"eq", L"a=b"},
      {L"Names", L"noequals", std::nullopt},
      {L"Names", L"after", L"still in Names"},
      {L"Names", L"empty", L""},
      {L"Names", L"tabs", L"\u65e5\u672c"},
      {L"Names", L"other", std::nullopt},
      {L"Names", L"missing", std::nullopt},
      {L"Missing", L"Key", std::nullopt},
      {L"", L"loose", L"before any section"},
      {L"Last", L"last", L"no line end"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(file->Get(c.section, c.key, 100), c.value) << c.section << "/" << c.key;
  EXPECT_EQ(file->Get(L"Names", L"Key", 3), L"val");
  EXPECT_EQ(file->Get(L"Names", L"Key", 0), L"");
  EXPECT_EQ(file->Get(L"Names", L"missing", 0), std::nullopt);
}

TEST(Profile, MissingFileAndAsciiFileWithoutByteOrderMark) {
  ScratchDir dir;
  const auto missing = OpenProfileForReading(dir.file("none.ini"));
  EXPECT_FALSE(missing->Exists());
  EXPECT_EQ(missing->Get(L"A", L"a", 10), std::nullopt);
  const auto folder = OpenProfileForReading(dir.path().wstring());
  EXPECT_FALSE(folder->Exists());

  // A file edited by hand in ASCII reads the same everywhere and becomes UTF-16 when rewritten.
  const std::string plain = "[A]\r\na=1\n";
  test::WriteAll(dir.path() / "plain.ini", std::vector<unsigned char>(plain.begin(), plain.end()));
  EXPECT_TRUE(OpenProfileForReading(dir.file("plain.ini"))->Exists());
  EXPECT_EQ(OpenProfileForReading(dir.file("plain.ini"))->Get(L"a", L"A", 10), L"1");
  const auto writer = OpenProfileForWriting(dir.file("plain.ini"));
  writer->Set(L"A", L"b", L"\u65e5\u672c");
  ASSERT_TRUE(writer->Commit());
  EXPECT_EQ(test::ReadAll(dir.path() / "plain.ini"), Utf16File(L"[A]\r\na=1\r\nb=\u65e5\u672c\r\n"));
}

TEST(Profile, RewriteKeepsOtherLinesRemovesEveryDuplicateAndAppendsInPlace) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "a.ini", Utf16File(L"[User]\r\n;note=kept\r\nfree text\r\n"
                                                 L"[A]\r\na=1\r\n"
                                                 L"[Dup]\r\nd=1\r\n[B]\r\nb=1\r\n[dup]\r\nd=2\r\n"));
  const auto writer = OpenProfileForWriting(dir.file("a.ini"));
  writer->Set(L"a", L"A", L"2");  // the key keeps its spelling, the value changes
  writer->Set(L"A", L"new", L"\u65e5\u672c");
  writer->RemoveSection(L"DUP");
  writer->Set(L"Fresh", L"k", L"cut here\r\ninjected=1");
  writer->Set(L"B", L"b", L"");
  ASSERT_TRUE(writer->Commit());
  EXPECT_EQ(test::ReadAll(dir.path() / "a.ini"), Utf16File(L"[User]\r\n;note=kept\r\nfree text\r\n"
                                                           L"[A]\r\na=2\r\nnew=\u65e5\u672c\r\n"
                                                           L"[B]\r\nb=\r\n"
                                                           L"[Fresh]\r\nk=cut here\r\n"));
  EXPECT_EQ(test::FilesStartingWith(dir.path(), "").size(), 1u);  // no temporary file left behind
}

TEST(Profile, WritingANewFileMakesItUtf16WithByteOrderMark) {
  ScratchDir dir;
  const auto writer = OpenProfileForWriting(dir.file("new.ini"));
  writer->RemoveSection(L"Nothing");
  writer->Set(L"S", L"k", L"\u5199\u771f");
  ASSERT_TRUE(writer->Commit());
  EXPECT_EQ(test::ReadAll(dir.path() / "new.ini"), Utf16File(L"[S]\r\nk=\u5199\u771f\r\n"));
  EXPECT_EQ(OpenProfileForReading(dir.file("new.ini"))->Get(L"S", L"K", 10), L"\u5199\u771f");
}

#ifndef _WIN32
TEST(Profile, AFileThatCannotBeReadIsNeverReplaced) {
  // Taken for empty, it would be replaced by the program's sections alone and lose the user's others.
  // Cases: a file that may be written but not read, and a symbolic-link loop.
  namespace fs = std::filesystem;
  ScratchDir dir;
  const std::vector<unsigned char> original = Utf16File(L"[Mine]\r\nkeep=1\r\n");
  test::WriteAll(dir.path() / "write-only.ini", original);
  fs::permissions(dir.path() / "write-only.ini",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
  fs::create_symlink("loop-b.ini", dir.path() / "loop-a.ini");
  fs::create_symlink("loop-a.ini", dir.path() / "loop-b.ini");
  // The superuser reads any file: it saves as an unprivileged user here.
  const bool root = geteuid() == 0;
  if (root) {
    fs::permissions(dir.path(), fs::perms::all);
    if (seteuid(65534) != 0) GTEST_SKIP() << "cannot act as an unprivileged user";
  }
  std::vector<bool> committed;
  for (const char* name : {"write-only.ini", "loop-a.ini"}) {
    const auto writer = OpenProfileForWriting(dir.file(name));
    writer->Set(L"CvtPrms", L"Quality", L"80");
    committed.push_back(writer->Commit());
  }
  if (root) {
    ASSERT_EQ(seteuid(0), 0);
  }
  EXPECT_EQ(committed, (std::vector<bool>{false, false}));
  fs::permissions(dir.path() / "write-only.ini", fs::perms::owner_read, fs::perm_options::add);
  EXPECT_EQ(test::ReadAll(dir.path() / "write-only.ini"), original);
  EXPECT_TRUE(fs::is_symlink(dir.path() / "loop-a.ini"));
  EXPECT_EQ(test::FilesStartingWith(dir.path(), "").size(), 3u);  // no temporary file left behind
}
#endif

}  // namespace
}  // namespace qv
