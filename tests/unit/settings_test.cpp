// The settings file: its location, defaults, how stored values read, what a save writes, and files made by
// the other platform (tests/data/settings) reading identically here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/directory.h"
#include "platform/system_folders.h"
#include "settings/settings_file.h"
#include "test_support.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

auto Fields(const ConversionParams& p) {
  return std::tie(p.Quality, p.Sampling, p.Limit, p.LmtVal, p.ScaleNum, p.NameSet, p.DigitNum, p.StartNum,
                  p.TopAdd, p.TopStr, p.EndAdd, p.EndStr, p.MkDirAdd, p.MkDirStr, p.IFileDel, p.Recycle,
                  p.Progressive, p.CmtOpt, p.CmtStr1, p.AutoRotate, p.KeepExif, p.KeepIcc, p.KeepTime, p.MaxEdgeOn,
                  p.MaxEdge);
}

auto Fields(const StoredAppState& s) {
  const AppOptions& o = s.options;
  return std::tie(o.TopMost, o.TvIOSet, o.Hidden, o.DTExpand, o.EndMes, o.FileMes, o.SdToCvt, o.TipAct,
                  o.CalcNum, o.IIFolder, o.OIFolder, o.ISPath, o.OSPath, o.IEPath, o.OEPath, o.SdToPath,
                  s.hasWindowPosition, s.winX, s.winY, s.inputHistory, s.outputHistory, s.registeredFolders);
}

// UTF-16LE bytes with byte-order mark; each '\n' of `text` becomes CR LF.
std::vector<unsigned char> Utf16File(const std::wstring& text) {
  std::vector<unsigned char> bytes = {0xFF, 0xFE};
  auto put = [&bytes](wchar_t c) {
    bytes.push_back(static_cast<unsigned char>(c & 0xFF));
    bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
  };
  for (wchar_t c : text) {
    if (c == L'\n') put(L'\r');
    put(c);
  }
  return bytes;
}

// The lines of a file we wrote (UTF-16LE, CR LF), for checks of order.
std::vector<std::wstring> Lines(const fs::path& path) {
  const std::vector<unsigned char> bytes = test::ReadAll(path);
  std::vector<std::wstring> lines(1);
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const wchar_t c = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c == L'\n')
      lines.emplace_back();
    else if (c != L'\r')
      lines.back() += c;
  }
  lines.pop_back();
  return lines;
}

// The lines of a file we wrote before its PhotoOpt section, which a save always writes last.
std::vector<std::wstring> LinesBeforePhotoOpt(const fs::path& path) {
  std::vector<std::wstring> lines = Lines(path);
  const auto photo = std::find(lines.begin(), lines.end(), L"[PhotoOpt]");
  EXPECT_EQ(lines.end() - photo, 11) << "PhotoOpt is not the last section";
  lines.erase(photo, lines.end());
  return lines;
}

// The values saved into tests/data/settings/wine_written.ini by the Windows build under Wine, over a file
// holding the [User] section and outdated copies of our sections. "." is the one registered folder that
// exists wherever the test runs.
constexpr wchar_t kWineBase[] =
    L"[User]\nnote=kept\n[mwin]\nWinX=1\n[CvtPrms]\nQuality=1\n[cvtprms]\nQuality=2\n";

// The PhotoOpt section as a save writes it for default parameters: everything off.
constexpr wchar_t kDefaultPhotoOpt[] =
    L"[PhotoOpt]\nAutoRotate=0\nKeepExif=0\nKeepIcc=0\nKeepTime=0\nMaxEdgeOn=0\nMaxEdge=1600\nFitOn=0\n"
    L"FitWidth=1920\nFitHeight=1080\nEncoder=0\n";

ConversionParams FixtureParams() {
  ConversionParams p;
  p.Quality = 92, p.Sampling = 2, p.Limit = 1, p.LmtVal = 350, p.ScaleNum = 12, p.NameSet = 2;
  p.DigitNum = 4, p.StartNum = 101, p.TopAdd = 1, p.TopStr = L" \u65c5\u884c_", p.EndAdd = 1;
  p.EndStr = L"_\u7e2e\u5c0f", p.MkDirAdd = 1, p.MkDirStr = L"\u51fa\u529b", p.IFileDel = 1, p.Recycle = 0;
  p.Progressive = 1, p.CmtOpt = 1, p.CmtStr1 = L"\u64ae\u5f71: \u5c71\u7530\r\n2024\u5e74 \u590f  ";
  return p;
}

StoredAppState FixtureState() {
  StoredAppState s;
  AppOptions& o = s.options;
  o.TopMost = 1, o.TvIOSet = 0, o.Hidden = 0, o.DTExpand = 0, o.EndMes = 0, o.FileMes = 0, o.SdToCvt = 1;
  o.TipAct = 0, o.CalcNum = 640, o.IIFolder = 2, o.OIFolder = 1, o.ISPath = L"C:\\\u5199\u771f\\\u5165\u529b";
  o.OSPath = L"D:\\\u51fa\u529b", o.IEPath = L"C:\\\u5199\u771f\\\u524d\u56de",
  o.OEPath = L"D:\\\u524d\u56de";
  o.SdToPath = L"E:\\\"quoted\"";
  s.hasWindowPosition = true, s.winX = -1200, s.winY = 35;
  s.inputHistory = {o.ISPath, o.IEPath, L"C:\\\u4e00"};
  s.outputHistory = {o.OSPath};
  s.registeredFolders = {L".", L"C:\\\u5b58\u5728\u3057\u306a\u3044"};
  return s;
}

TEST(SettingsFile, MissingFileOrSectionsGiveTheDefaults) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "user.ini", Utf16File(L"[User]\nQuality=5\n"));
  for (const char* name : {"missing.ini", "user.ini"}) {
    ConversionParams params;
    params.Quality = 3, params.MkDirStr = L"x", params.CmtStr1 = L"old";
    LoadConversionParams(dir.file(name), params);
    EXPECT_EQ(Fields(params), Fields(ConversionParams{})) << name;
  }
  // The file exists but has no FolderList: no registered folder. Without a file: the pictures folder.
  StoredAppState state;
  state.inputHistory = {L"old"};
  LoadAppOptions(dir.file("user.ini"), state);
  EXPECT_EQ(Fields(state), Fields(StoredAppState{}));
  LoadAppOptions(dir.file("missing.ini"), state);
  StoredAppState expected;
  if (IsExistingFolder(PicturesFolder())) expected.registeredFolders = {PicturesFolder()};
  EXPECT_EQ(Fields(state), Fields(expected));
}

TEST(SettingsFile, EverySettingRoundTrips) {
  ScratchDir dir;
  const std::wstring japanese = JoinPath(dir.path().wstring(), L"\u767b\u9332");
  ASSERT_TRUE(CreateFolder(japanese));
  ConversionParams params = FixtureParams();
  params.TopStr = L"'single'", params.EndStr = L"\"double\"";
  params.AutoRotate = 1, params.KeepExif = 1, params.KeepIcc = 1, params.KeepTime = 1, params.MaxEdgeOn = 1;
  params.MaxEdge = 25000;
  StoredAppState state = FixtureState();
  state.registeredFolders = {japanese, dir.path().wstring()};
  for (size_t i = 0; i < kHistoryLength; ++i) state.outputHistory.push_back(L"D:\\" + std::to_wstring(i));
  state.outputHistory.resize(kHistoryLength);
  ASSERT_TRUE(SaveSettings(dir.file("Quorvix.ini"), params, state));

  ConversionParams readParams;
  StoredAppState readState;
  LoadConversionParams(dir.file("Quorvix.ini"), readParams);
  LoadAppOptions(dir.file("Quorvix.ini"), readState);
  EXPECT_EQ(Fields(readParams), Fields(params));
  EXPECT_EQ(Fields(readState), Fields(state));
}

// A settings file deeper than MAX_PATH (the private-profile functions stop there) is read and rewritten
// whole, and so are its paths beyond MAX_PATH; the name parts keep their 259-character bound, and no
// working copy is left beside the file.
TEST(SettingsFile, LongPathsAsFileAndAsValues) {
  ScratchDir dir;
  const std::wstring folder = test::MakeLongFolder(dir);
  ASSERT_FALSE(folder.empty());
  const std::wstring ini = JoinPath(folder, L"Quorvix.ini");
  const std::wstring deeper = JoinPath(folder, L"写真");
  ConversionParams params;
  params.TopStr = std::wstring(300, L'p');
  StoredAppState state;
  state.options.IEPath = deeper;
  state.options.SdToPath = deeper;
  state.inputHistory = {deeper};
  state.registeredFolders = {folder};
  for (int round = 0; round < 2; ++round) {  // written new, then over the first file
    ASSERT_TRUE(SaveSettings(ini, params, state)) << round;
    ConversionParams readParams;
    StoredAppState readState;
    LoadConversionParams(ini, readParams);
    LoadAppOptions(ini, readState);
    EXPECT_EQ(readState.options.IEPath, deeper);
    EXPECT_EQ(readState.options.SdToPath, deeper);
    EXPECT_EQ(readState.inputHistory, state.inputHistory);
    EXPECT_EQ(readState.registeredFolders, state.registeredFolders);
    EXPECT_EQ(readParams.TopStr, std::wstring(259, L'p'));
    EXPECT_TRUE(FindEntries(folder, L".tmp").empty());
  }
}

TEST(SettingsFile, StoredValuesReadByTheRules) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "a.ini",
                 Utf16File(L"[CvtPrms]\nLimit=3\nTopAdd=2\nQuality=12abc\nSampling=abc\n"
                           L"LmtVal=\nScaleNum=-4\nDigitNum=+5\nStartNum=4294967297\n"
                           L"MkDirStr=\nCmtStr1=0\nTopStr=\"\"\n"
                           L"[MWin]\nWinX=10\nWinY=\nIH0=\nIH1=C:\\b\nOH7=D:\\h\n"));
  ConversionParams p;
  LoadConversionParams(dir.file("a.ini"), p);
  EXPECT_EQ(p.Limit, 1);
  EXPECT_EQ(p.TopAdd, 0);
  EXPECT_EQ(p.Quality, 12);
  EXPECT_EQ(p.Sampling, 0);
  EXPECT_EQ(p.LmtVal, 100);  // present but empty: the default, as GetPrivateProfileIntW reads it
  EXPECT_EQ(p.ScaleNum, -4);
  EXPECT_EQ(p.DigitNum, 5);
  EXPECT_EQ(p.StartNum, 1);  // wraps around like the Windows function
  EXPECT_EQ(p.MkDirStr, L"");
  EXPECT_EQ(p.CmtStr1, L"");
  EXPECT_EQ(p.TopStr, L"");
  EXPECT_EQ(p.EndStr, L"");

  test::WriteAll(dir.path() / "b.ini", Utf16File(L"[CvtPrms]\nLimit=2\nCmtStr1=\n"));
  LoadConversionParams(dir.file("b.ini"), p);
  EXPECT_EQ(p.Limit, 0);
  EXPECT_EQ(p.CmtStr1, L"");

  StoredAppState s;
  LoadAppOptions(dir.file("a.ini"), s);
  EXPECT_FALSE(s.hasWindowPosition);  // WinY has no value
  EXPECT_EQ(s.inputHistory, std::vector<std::wstring>{L"C:\\b"});
  EXPECT_EQ(s.outputHistory, std::vector<std::wstring>{L"D:\\h"});
}

TEST(SettingsFile, CommentEncoding) {
  const std::wstring comment = L"a\r\nb  ";
  EXPECT_EQ(EncodeComment(comment),
            L"a\x02\x03"
            L"b  0");
  EXPECT_EQ(DecodeComment(EncodeComment(comment)), comment);
  EXPECT_EQ(EncodeComment(L""), L"0");
  EXPECT_EQ(DecodeComment(L"0"), L"");
  EXPECT_EQ(DecodeComment(L""), L"");
  EXPECT_EQ(DecodeComment(L"x\x1by\x02z!"), L"xy\rz");
  EXPECT_EQ(DecodeComment(std::wstring(10000, L'c')), std::wstring(9999, L'c'));
}

TEST(SettingsFile, RegisteredFoldersStopAtAGapAndDropDeletedFolders) {
  ScratchDir dir;
  for (const char* name : {"one", "two", "four"}) fs::create_directory(dir.path() / name);
  const std::wstring gone = dir.file("gone");
  test::WriteAll(dir.path() / "a.ini",
                 Utf16File(L"[FolderList]\n0=" + gone + L"\n1=" + dir.file("one") + L"\n2=" +
                           dir.file("two") + L"\n4=" + dir.file("four") + L"\n"));
  StoredAppState s;
  LoadAppOptions(dir.file("a.ini"), s);
  EXPECT_EQ(s.registeredFolders, (std::vector<std::wstring>{dir.file("one"), dir.file("two")}));

  // Written without the folders that vanished meanwhile, numbered without gaps, up to an empty slot.
  s.registeredFolders = {gone, dir.file("one"), gone, dir.file("two"), L"", dir.file("four")};
  ASSERT_TRUE(SaveSettings(dir.file("a.ini"), ConversionParams{}, s));
  const std::vector<std::wstring> lines = LinesBeforePhotoOpt(dir.path() / "a.ini");
  const std::vector<std::wstring> tail(lines.end() - 3, lines.end());
  EXPECT_EQ(tail,
            (std::vector<std::wstring>{L"[FolderList]", L"0=" + dir.file("one"), L"1=" + dir.file("two")}));

  s.registeredFolders.assign(150, dir.file("one"));
  ASSERT_TRUE(SaveSettings(dir.file("a.ini"), ConversionParams{}, s));
  EXPECT_EQ(LinesBeforePhotoOpt(dir.path() / "a.ini").back(), L"99=" + dir.file("one"));
}

// Exact bytes (UTF-16LE with byte-order mark, CR LF) of a rewrite: the user's own section stays first, the
// stale copies of ours go, and ours follow in their order with their keys in order.
TEST(SettingsFile, SaveRewritesOurSectionsInOrderAfterTheUsersOwn) {
  ScratchDir dir;
  test::WriteAll(dir.path() / "a.ini",
                 Utf16File(L"[photoopt]\nKeepIcc=1\n[FolderList]\n0=x\n[User]\nkeep=1\n[MWin]\nWinX=3\n[cvtprms]\n"
                           L"Junk=1\n"));
  ConversionParams p;
  p.TopStr = L"\u5199\u771f_", p.CmtStr1 = L"a\r\nb";
  StoredAppState s;
  s.hasWindowPosition = true, s.winX = -5;
  s.inputHistory = {L"C:\\in"};
  s.registeredFolders = {dir.path().wstring()};
  ASSERT_TRUE(SaveSettings(dir.file("a.ini"), p, s));
  std::wstring expected =
      L"[User]\nkeep=1\n"
      L"[CvtPrms]\nQuality=75\nSampling=0\nLimit=0\nLmtVal=100\nScaleNum=1\nNameSet=0\nDigitNum=2\nStartNum="
      L"0\n"
      L"TopAdd=0\nEndAdd=0\nTopStr=\u5199\u771f_\nEndStr=\nMkDirAdd=0\nMkDirStr=Output\nIFileDel=0\nRecycle="
      L"1\n"
      L"Progressive=0\nCmtOpt=0\nCmtStr1=a\x02\x03"
      L"b0\n"
      L"[MWin]\nWinX=-5\nWinY=0\nTopMost=0\nTvIOSet=2\nHidden=2\nDTExpand=1\nEndMes=1\nFileMes=1\nSdToCvt=0\n"
      L"TipAct=1\nCalcNum=1200\nIIFolder=0\nOIFolder=0\nISPath=\nOSPath=\nIEPath=\nOEPath=\nSdToPath=\n"
      L"SubFolders=0\n"
      L"IH0=C:\\in\nOH0=\n";
  for (int i = 1; i < 8; ++i) expected += L"IH" + std::to_wstring(i) + L"=\nOH" + std::to_wstring(i) + L"=\n";
  expected += L"[FolderList]\n0=" + dir.path().wstring() + L"\n";
  expected += kDefaultPhotoOpt;
  EXPECT_EQ(test::ReadAll(dir.path() / "a.ini"), Utf16File(expected));
}

// PhotoOpt reads by the rules of CvtPrms; a missing section or key leaves that option at its default.
TEST(SettingsFile, PhotoOptionsReadByTheRules) {
  struct Case {
    const wchar_t* text;
    uint8_t autoRotate, keepExif, keepIcc, keepTime, maxEdgeOn;
    int32_t maxEdge;
  };
  const Case kCases[] = {
      {L"[CvtPrms]\nQuality=80\n", 0, 0, 0, 0, 0, 1600},
      {L"[PhotoOpt]\nAutoRotate=1\nKeepExif=3\nKeepIcc=2\nKeepTime=yes\nMaxEdgeOn=1\nMaxEdge=800px\n", 1, 1, 0,
       0, 1, 800},
      {L"[photoopt]\nkeeptime=1\nMaxEdge=\n", 0, 0, 0, 1, 0, 1600},
      {L"[PhotoOpt]\nKeepIcc=-1\nMaxEdge=-20\n[CvtPrms]\nKeepExif=1\n", 0, 0, 1, 0, 0, -20},
  };
  ScratchDir dir;
  for (const Case& c : kCases) {
    test::WriteAll(dir.path() / "a.ini", Utf16File(c.text));
    ConversionParams p;
    p.AutoRotate = p.KeepExif = p.KeepIcc = p.KeepTime = p.MaxEdgeOn = 1, p.MaxEdge = 7;
    LoadConversionParams(dir.file("a.ini"), p);
    EXPECT_EQ(std::tie(p.AutoRotate, p.KeepExif, p.KeepIcc, p.KeepTime, p.MaxEdgeOn, p.MaxEdge),
              std::tie(c.autoRotate, c.keepExif, c.keepIcc, c.keepTime, c.maxEdgeOn, c.maxEdge))
        << "case " << (&c - kCases);
  }
}

// Turning the photo options on changes nothing before the PhotoOpt section, which is always the last.
TEST(SettingsFile, PhotoOptionsDoNotTouchTheOlderSections) {
  ScratchDir dir;
  StoredAppState state = FixtureState();
  state.registeredFolders = {dir.path().wstring()};
  ConversionParams on = FixtureParams();
  on.AutoRotate = 1, on.KeepExif = 1, on.KeepIcc = 1, on.KeepTime = 1, on.MaxEdgeOn = 1, on.MaxEdge = 640;
  ASSERT_TRUE(SaveSettings(dir.file("off.ini"), FixtureParams(), state));
  ASSERT_TRUE(SaveSettings(dir.file("on.ini"), on, state));
  const std::vector<std::wstring> onLines = Lines(dir.path() / "on.ini");
  const std::vector<std::wstring> before = LinesBeforePhotoOpt(dir.path() / "on.ini");
  EXPECT_EQ(before, LinesBeforePhotoOpt(dir.path() / "off.ini"));
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(before.back(), L"0=" + dir.path().wstring());  // FolderList just before
  EXPECT_EQ(std::vector<std::wstring>(onLines.begin() + before.size(), onLines.end()),
            (std::vector<std::wstring>{L"[PhotoOpt]", L"AutoRotate=1", L"KeepExif=1", L"KeepIcc=1", L"KeepTime=1",
                                       L"MaxEdgeOn=1", L"MaxEdge=640", L"FitOn=0", L"FitWidth=1920",
                                       L"FitHeight=1080", L"Encoder=0"}));
}

TEST(SettingsFile, FailedSaveLeavesTheOldFileAsItWas) {
  ScratchDir dir;
  EXPECT_FALSE(SaveSettings(dir.file("missing/Quorvix.ini"), ConversionParams{}, StoredAppState{}));
  EXPECT_FALSE(fs::exists(dir.path() / "missing"));

  const std::vector<unsigned char> old = Utf16File(L"[CvtPrms]\nQuality=10\n");
  const fs::path path = dir.path() / "Quorvix.ini";
  test::WriteAll(path, old);
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_FALSE(SaveSettings(path.wstring(), ConversionParams{}, StoredAppState{}));
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(test::ReadAll(path), old);
  EXPECT_EQ(test::FilesStartingWith(dir.path(), "").size(), 1u);
}

TEST(SettingsFile, LocationBesideTheProgramElseInTheUserFolder) {
  ScratchDir dir;
  const std::wstring program = JoinPath(dir.file("bin"), L"Quorvix.exe");
  const std::wstring root = dir.file("roaming");  // does not exist yet: made with the sub-folder
  fs::create_directory(dir.path() / "bin");
  std::wstring path = L"stale";

  EXPECT_FALSE(LocateSettingsFileUnder(JoinPath(dir.file("bin"), L"Other.exe"),
                                       SettingsOwner::kWindowsProgram, root, path));
  EXPECT_EQ(path, L"");
  ASSERT_TRUE(LocateSettingsFileUnder(JoinPath(dir.file("bin"), L"QUORVIX.EXE"),
                                      SettingsOwner::kWindowsProgram, root, path));
  EXPECT_EQ(path, JoinPath(JoinPath(root, L"Quorvix"), L"Quorvix.ini"));
  EXPECT_TRUE(IsExistingFolder(JoinPath(root, L"Quorvix")));
  ASSERT_TRUE(
      LocateSettingsFileUnder(JoinPath(dir.file("bin"), L"quorvix"), SettingsOwner::kCommandLine, L"", path));
  EXPECT_EQ(path, JoinPath(dir.file("bin"), L"Quorvix.ini"));

  test::WriteAll(dir.path() / "bin" / "Quorvix.ini", {});
  ASSERT_TRUE(LocateSettingsFileUnder(program, SettingsOwner::kWindowsProgram, root, path));
  EXPECT_EQ(path, JoinPath(dir.file("bin"), L"Quorvix.ini"));
}

// Files made by the other platform read the same here: one written by the Windows private-profile
// functions under Wine, one edited by hand with odd spacing, letter case, duplicates and line ends.
TEST(SettingsFile, FilesFromEitherPlatformReadIdentically) {
  const fs::path wine = test::DataDir() / "settings" / "wine_written.ini";
  ConversionParams p;
  StoredAppState s;
  LoadConversionParams(wine.wstring(), p);
  LoadAppOptions(wine.wstring(), s);
  EXPECT_EQ(Fields(p), Fields(FixtureParams()));
  StoredAppState expected = FixtureState();
  expected.registeredFolders = {L"."};
  EXPECT_EQ(Fields(s), Fields(expected));

  // Our writer (whichever this platform's is) makes the very same bytes from the same start, followed by
  // the PhotoOpt section that file predates.
  ScratchDir dir;
  test::WriteAll(dir.path() / "a.ini", Utf16File(kWineBase));
  ASSERT_TRUE(SaveSettings(dir.file("a.ini"), FixtureParams(), FixtureState()));
  std::vector<unsigned char> expectedBytes = test::ReadAll(wine);
  const std::vector<unsigned char> photo = Utf16File(kDefaultPhotoOpt);
  expectedBytes.insert(expectedBytes.end(), photo.begin() + 2, photo.end());  // without its byte-order mark
  EXPECT_EQ(test::ReadAll(dir.path() / "a.ini"), expectedBytes);

  const fs::path hand = test::DataDir() / "settings" / "hand_made.ini";
  LoadConversionParams(hand.wstring(), p);
  LoadAppOptions(hand.wstring(), s);
  ConversionParams hp;
  hp.Quality = 90, hp.Sampling = 2, hp.Limit = 1, hp.LmtVal = 100, hp.ScaleNum = -4, hp.NameSet = 0;
  hp.DigitNum = 5, hp.StartNum = 1, hp.TopAdd = 0, hp.EndAdd = 1, hp.TopStr = L"  \u524d ",
  hp.EndStr = L"\u672b\u5c3e";
  hp.MkDirAdd = 0, hp.MkDirStr = L"", hp.Recycle = 0, hp.Progressive = 0;
  hp.CmtStr1 = L"\u4e00\u884c\u76ee  \r\n\u4e8c\u884c\u76ee ";
  EXPECT_EQ(Fields(p), Fields(hp));
  StoredAppState hs;
  hs.options.TopMost = 1, hs.options.Hidden = 0, hs.options.CalcNum = 800,
  hs.options.ISPath = L"D:\\\u5199\u771f";
  hs.inputHistory = {L"C:\\\u5165\u529b", L"C:\\\u4e09\u756a\u76ee"};
  hs.outputHistory = {L"D:\\\u51fa\u529b"};
  hs.registeredFolders = {L"."};
  EXPECT_EQ(Fields(s), Fields(hs));
}

}  // namespace
}  // namespace qv
