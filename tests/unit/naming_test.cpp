// Output names by each rule, prefix and suffix, extension handling, safe Exif dates, and "+n" collisions
// on disk and in a name list.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "batch/naming.h"
#include "platform/system_folders.h"
#include "test_support.h"

namespace qv {
namespace {

ExifDateTime Date(const char* text, size_t length) {
  ExifDateTime d;
  std::memcpy(d.text, text, length);
  return d;
}

std::wstring Name(const ConversionParams& p, const std::wstring& input, int index = 0,
                  const ExifDateTime* date = nullptr) {
  NameSource s{input, index, date, date != nullptr};
  return MakeOutputName(SelectNamingRule(p.NameSet), p, s);
}

TEST(MakeOutputName, InputNameRuleWithPrefixSuffixAndExtensions) {
  ConversionParams p;
  p.TopAdd = 1;
  p.TopStr = L"s_";
  p.EndAdd = 1;
  p.EndStr = L"_web";
  EXPECT_EQ(Name(p, L"DSC01.JPG"), L"s_DSC01_web.jpg");
  p.TopAdd = 0;  // a prefix text that is switched off is not used
  EXPECT_EQ(Name(p, L"a.b.jpeg"), L"a.b_web.jpg");
  p.EndAdd = 0;
  EXPECT_EQ(Name(p, L"photo"), L"photo.jpg");
  EXPECT_EQ(Name(p, L"x.jpe"), L"x.jpg");
  EXPECT_EQ(Name(p, L"\u5199\u771f.JPG"), L"\u5199\u771f.jpg");
  p.NameSet = 5;  // unknown rules act as the input-name rule
  EXPECT_EQ(Name(p, L"IMG_1.jpg", 3), L"IMG_1.jpg");
}

TEST(MakeOutputName, SerialNumbers) {
  ConversionParams p;
  p.NameSet = 2;
  p.DigitNum = 3;
  p.StartNum = 7;
  EXPECT_EQ(Name(p, L"a.jpg", 0), L"007.jpg");
  EXPECT_EQ(Name(p, L"a.jpg", 1), L"008.jpg");
  p.StartNum = 0;
  EXPECT_EQ(Name(p, L"a.jpg", 999), L"999.jpg");
  EXPECT_EQ(Name(p, L"a.jpg", 1000), L"1000.jpg");
  p.DigitNum = 2;
  p.StartNum = -3;
  EXPECT_EQ(Name(p, L"a.jpg", 0), L"-3.jpg");
  p.DigitNum = 5;
  p.TopAdd = 1;
  p.TopStr = L"trip_";
  EXPECT_EQ(Name(p, L"a.jpg", 12), L"trip_00009.jpg");
}

TEST(MakeOutputName, DateRuleAndItsFallback) {
  ConversionParams p;
  p.NameSet = 1;
  const ExifDateTime good = Date("2010:05:16 14:03:59", 20);
  EXPECT_EQ(Name(p, L"IMG_1.JPG", 0, &good), L"20100516_140359.jpg");
  EXPECT_EQ(Name(p, L"IMG_1.JPG", 0, nullptr), L"IMG_1.jpg");
  // Texts that must never become names: path separators, "..", control characters, short or
  // unterminated texts, non-digits in the digit positions.
  const ExifDateTime bad[] = {
      Date("2010:05:16 14:03:5", 19), Date("2010:05:16 14:03:591", 20), Date("../../etc/passwd\0\0\0", 20),
      Date("2010:05:16 14:0\x01:59", 20), Date("2010:05/16 14:03:59", 20) /* separators may differ */,
      Date("2010:05:16 1\\:03:59", 20), Date("    :  :     :  :  ", 20)};
  const bool usable[] = {false, false, false, false, true, false, false};
  for (size_t i = 0; i < std::size(bad); ++i) {
    EXPECT_EQ(IsUsableExifDate(bad[i]), usable[i]) << i;
    const std::wstring name = Name(p, L"IMG_1.JPG", 0, &bad[i]);
    EXPECT_EQ(name.find_first_of(L"/\\:\x01"), std::wstring::npos) << i;
    if (!usable[i]) {
      EXPECT_EQ(name, L"IMG_1.jpg") << i;
    }
  }
}

TEST(ResolveCollisionOnDisk, AddsPlusNToTheFirstNameAndCountsFolders) {
  test::ScratchDir dir;
  std::wstring path = dir.file("a.jpg");
  EXPECT_TRUE(ResolveCollisionOnDisk(path));
  EXPECT_EQ(path, dir.file("a.jpg"));
  test::WriteAll(dir.path() / "a.jpg", {1});
  test::WriteAll(dir.path() / "a+1.jpg", {1});
  EXPECT_TRUE(ResolveCollisionOnDisk(path));
  EXPECT_EQ(path, dir.file("a+2.jpg"));
  std::filesystem::create_directory(dir.path() / "x.jpg");
  path = dir.file("x.jpg");
  EXPECT_TRUE(ResolveCollisionOnDisk(path));
  EXPECT_EQ(path, dir.file("x+1.jpg"));
}

TEST(ResolveCollisionOnDisk, NamesDifferingOnlyInCaseAndDanglingLinksAreTaken) {
  // Camera files are upper-case: IMG.jpg beside IMG.JPG would collide on any case-insensitive volume.
  test::ScratchDir dir;
  test::WriteAll(dir.path() / "IMG.JPG", {1});
  test::WriteAll(dir.path() / "img+1.JPG", {1});
  std::wstring path = dir.file("IMG.jpg");
  EXPECT_TRUE(ResolveCollisionOnDisk(path));
  EXPECT_EQ(path, dir.file("IMG+2.jpg"));
  std::error_code ec;
  std::filesystem::create_symlink(dir.path() / "nowhere", dir.path() / "link.jpg", ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
  path = dir.file("link.jpg");
  EXPECT_TRUE(ResolveCollisionOnDisk(path));
  EXPECT_EQ(path, dir.file("link+1.jpg"));
}

TEST(ResolveCollisionInList, IgnoresCaseAndEmptySlotsAndGivesUpAfter9999) {
  std::vector<std::wstring> names = {L"abc.JPG", L"", L"ABC+1.jpg"};
  std::wstring name = L"ABC.jpg";
  EXPECT_TRUE(ResolveCollisionInList(name, names));
  EXPECT_EQ(name, L"ABC+2.jpg");
  name = L"free.jpg";
  EXPECT_TRUE(ResolveCollisionInList(name, names));
  EXPECT_EQ(name, L"free.jpg");
  std::vector<std::wstring> full = {L"n.jpg"};
  for (int i = 1; i <= kMaxCollisionSuffix; ++i) full.push_back(L"n+" + std::to_wstring(i) + L".jpg");
  name = L"n.jpg";
  EXPECT_FALSE(ResolveCollisionInList(name, full));
  full.pop_back();
  name = L"n.jpg";
  EXPECT_TRUE(ResolveCollisionInList(name, full));
  EXPECT_EQ(name, L"n+9999.jpg");
}

TEST(JoinPath, OneSeparatorExactly) {
  const std::wstring sep(1, kPathSeparator);
  EXPECT_EQ(JoinPath(L"out", L"a.jpg"), L"out" + sep + L"a.jpg");
  EXPECT_EQ(JoinPath(L"out" + sep, L"a.jpg"), L"out" + sep + L"a.jpg");
  EXPECT_EQ(LastPathComponent(L"dir" + sep + L"b.jpg"), L"b.jpg");
  EXPECT_EQ(ParentPath(L"dir" + sep + L"b.jpg"), L"dir");
  EXPECT_EQ(LastPathComponent(L"b.jpg"), L"b.jpg");
}

}  // namespace
}  // namespace qv
