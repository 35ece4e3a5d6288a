// Listing an input folder: patterns and extension lengths, hidden entries, folders, natural order, and
// the size and time texts.
#include <gtest/gtest.h>

#include <filesystem>

#include "batch/input_listing.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace qv {
namespace {

namespace fs = std::filesystem;

std::vector<std::wstring> Names(const std::vector<InputRow>& rows) {
  std::vector<std::wstring> names;
  for (const InputRow& r : rows) names.push_back(r.name);
  return names;
}

void MakeHidden(const test::ScratchDir& dir, const std::string& name) {
#ifdef _WIN32
  test::WriteAll(dir.path() / name, {1});
  SetFileAttributesW(dir.file(name).c_str(), FILE_ATTRIBUTE_HIDDEN);
#else
  test::WriteAll(dir.path() / ("." + name), {1});
#endif
}

TEST(ListInputFolder, ThreePatternsEachFileOnceFoldersSkipped) {
  test::ScratchDir dir;
  for (const char* name : {"a.jpg", "b.JPE", "c.jpeg", "d.jpgx", "e.png", "f.JPEG", "noext"})
    test::WriteAll(dir.path() / name, {0xFF, 0xD8});
  fs::create_directory(dir.path() / "x.jpg");
  const std::vector<InputRow> rows = ListInputFolder(dir.folder(), 2);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(Names(rows), (std::vector<std::wstring>{L"a.jpg", L"b.JPE", L"c.jpeg", L"f.JPEG"}));
  for (const InputRow& r : rows) EXPECT_TRUE(r.checked);
  // Insertion order is the order found: the ".jpg" pattern first, then ".jpe", then ".jpeg".
  EXPECT_EQ(rows[0].insertionIndex, 0);
  EXPECT_EQ(rows[1].insertionIndex, 1);
  EXPECT_GE(rows[2].insertionIndex, 2);
  EXPECT_TRUE(ListInputFolder(dir.file("missing"), 2).empty());
  EXPECT_TRUE(ListInputFolder(dir.file("a.jpg"), 2).empty());
}

// A name belongs to the pattern that found it only with an extension of exactly the pattern's length.
TEST(ListInputFolder, ExtensionLengthDecidesThePattern) {
  struct Case {
    const wchar_t* name;
    const wchar_t* pattern;
    bool listed;
  } cases[] = {{L"a.jpg", L".jpg", true},   {L"a.jpgx", L".jpg", false}, {L"a.jp", L".jpg", false},
               {L"jpg", L".jpg", false},    {L".jpg", L".jpg", true},    {L"a.jpeg", L".jpe", false},
               {L"a.jpeg", L".jpeg", true}, {L"a.jpe", L".jpeg", false}, {L"x.y.JPEG", L".jpeg", true}};
  for (const Case& c : cases)
    EXPECT_EQ(HasExtensionOfPatternLength(c.name, c.pattern), c.listed) << std::wstring(c.name).size();
}

#ifndef _WIN32
TEST(ListInputFolder, OnlyRegularFilesAreListed) {
  test::ScratchDir dir;
  test::WriteAll(dir.path() / "v.jpg", {1});
  ASSERT_EQ(mkfifo((dir.path() / "fifo.jpg").c_str(), 0600), 0);
  fs::create_symlink(dir.path() / "missing.jpg", dir.path() / "dangling.jpg");
  EXPECT_EQ(Names(ListInputFolder(dir.folder(), 2)), std::vector<std::wstring>{L"v.jpg"});
}
#endif

TEST(ListInputFolder, HiddenFilesFollowTheMask) {
  test::ScratchDir dir;
  test::WriteAll(dir.path() / "v.jpg", {1});
  MakeHidden(dir, "h.jpg");
  EXPECT_EQ(ListInputFolder(dir.folder(), 2).size(), 1u);
  EXPECT_EQ(ListInputFolder(dir.folder(), 0).size(), 2u);
}

TEST(ListInputFolder, NaturalOrderAndTexts) {
  test::ScratchDir dir;
  test::WriteAll(dir.path() / "p10.jpg", std::vector<unsigned char>(3));
  test::WriteAll(dir.path() / "p9.jpg", std::vector<unsigned char>(1025));
  test::WriteAll(dir.path() / "P1.jpg", {});
  const std::vector<InputRow> rows = ListInputFolder(dir.folder(), 2);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Names(rows), (std::vector<std::wstring>{L"P1.jpg", L"p9.jpg", L"p10.jpg"}));
  EXPECT_EQ(rows[0].sizeText, L"0 KB");
  EXPECT_EQ(rows[1].sizeText, L"2 KB");
  EXPECT_EQ(rows[2].sizeText, L"1 KB");
  EXPECT_EQ(rows[0].timeText.size(), 19u);
  EXPECT_EQ(rows[0].timeText[4], L'/');
}

TEST(CompareNamesNaturally, Orders) {
  struct Case {
    const wchar_t *a, *b;
    int sign;
  } cases[] = {{L"img9", L"img10", -1}, {L"7", L"007", -1},      {L"Photo", L"Photo 2", -1},
               {L"Phot", L"Photo", -1}, {L"ABC", L"abc", 0},      {L"a", L"B", -1},
               {L"x2y", L"x10a", -1},   {L"file", L"file", 0},    {L"a_", L"aa", -1},
               {L"", L"", 0},           {L"", L"a", -1},          {L"p01", L"p1", 1}};
  for (const Case& c : cases) {
    const int r = CompareNamesNaturally(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << std::string(c.a, c.a + wcslen(c.a));
    const int back = CompareNamesNaturally(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign);
  }
}

TEST(FormatTexts, SizeAndTime) {
  struct Case {
    uint64_t bytes;
    const wchar_t* text;
  } cases[] = {{0, L"0 KB"},         {3, L"1 KB"},           {1024, L"1 KB"},
               {1536, L"2 KB"},      {1234567, L"1,206 KB"}, {1024ull * 999, L"999 KB"},
               {1024ull * 1000, L"1,000 KB"}, {1024ull * 1234567890, L"1,234,567,890 KB"}};
  for (const Case& c : cases) EXPECT_EQ(FormatSizeText(c.bytes), c.text);
  EXPECT_EQ(FormatTimeText(LocalTime{2010, 5, 16, 9, 3, 7}), L"2010/05/16 09:03:07");
  EXPECT_EQ(FormatTimeText(LocalTime{1999, 12, 31, 23, 59, 0}), L"1999/12/31 23:59:00");
}

}  // namespace
}  // namespace qv
