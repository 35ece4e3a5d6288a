// The settings file: its location, the keys and defaults of CvtPrms, MWin and FolderList, the encoding of
// values. Talks to the file only through platform/profile.h; knows nothing of windows or controls.
#include "settings/settings_file.h"

#include <memory>
#include <optional>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/system_folders.h"

namespace qv {

namespace {

constexpr wchar_t kProgramName[] = L"Quorvix.exe";
constexpr wchar_t kSettingsName[] = L"Quorvix.ini";
constexpr wchar_t kSettingsFolder[] = L"Quorvix";

constexpr wchar_t kCvtPrms[] = L"CvtPrms";
constexpr wchar_t kMWin[] = L"MWin";
constexpr wchar_t kFolderList[] = L"FolderList";

constexpr size_t kMaxTextChars = 259;
constexpr size_t kMaxStoredCommentChars = 10000;
// Numbers are short; the limit only bounds what a damaged file can make us read.
constexpr size_t kMaxNumberChars = 64;

bool EqualsAsciiNoCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != L'\0'; ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == L'\0';
}

// An optional sign, then decimal digits up to the first other character, in 32-bit arithmetic that
// wraps around as the Windows function does.
int32_t ParseProfileInt(const std::wstring& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
    value = value * 10u + static_cast<uint32_t>(text[i] - L'0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

int32_t ReadInt(const ProfileReader& file, const wchar_t* section, const wchar_t* key, int32_t fallback) {
  const std::optional<std::wstring> text = file.Get(section, key, kMaxNumberChars);
  if (!text || text->empty()) return fallback;
  return ParseProfileInt(*text);
}

uint8_t ReadFlag(const ProfileReader& file, const wchar_t* section, const wchar_t* key, uint8_t fallback) {
  return static_cast<uint8_t>(ReadInt(file, section, key, fallback) & 1);
}

std::wstring ReadText(const ProfileReader& file, const wchar_t* section, const wchar_t* key,
                      const std::wstring& fallback, size_t maxChars = kMaxTextChars) {
  return file.Get(section, key, maxChars).value_or(fallback);
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f'; }

// The profile functions drop blanks around a value and one pair of enclosing quotes; a value that
// would lose either is stored inside double quotes, which the reader removes again.
std::wstring Protect(const std::wstring& value) {
  if (value.empty()) return value;
  const bool blankEdge = IsBlank(value.front()) || IsBlank(value.back());
  const bool quoted =
      value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front();
  return (blankEdge || quoted) ? L"\"" + value + L"\"" : value;
}

void WriteInt(ProfileWriter& file, const wchar_t* section, const wchar_t* key, int32_t value) {
  file.Set(section, key, std::to_wstring(value));
}

void WriteFlag(ProfileWriter& file, const wchar_t* section, const wchar_t* key, uint8_t value) {
  WriteInt(file, section, key, value & 1);
}

void WriteText(ProfileWriter& file, const wchar_t* section, const wchar_t* key, const std::wstring& value) {
  file.Set(section, key, Protect(value));
}

void SaveConversionParams(ProfileWriter& file, const ConversionParams& p) {
  WriteInt(file, kCvtPrms, L"Quality", p.Quality);
  WriteInt(file, kCvtPrms, L"Sampling", p.Sampling);
  WriteFlag(file, kCvtPrms, L"Limit", p.Limit);
  WriteInt(file, kCvtPrms, L"LmtVal", p.LmtVal);
  WriteInt(file, kCvtPrms, L"ScaleNum", p.ScaleNum);
  WriteInt(file, kCvtPrms, L"NameSet", p.NameSet);
  WriteInt(file, kCvtPrms, L"DigitNum", p.DigitNum);
  WriteInt(file, kCvtPrms, L"StartNum", p.StartNum);
  WriteFlag(file, kCvtPrms, L"TopAdd", p.TopAdd);
  WriteFlag(file, kCvtPrms, L"EndAdd", p.EndAdd);
  WriteText(file, kCvtPrms, L"TopStr", p.TopStr);
  WriteText(file, kCvtPrms, L"EndStr", p.EndStr);
  WriteFlag(file, kCvtPrms, L"MkDirAdd", p.MkDirAdd);
  WriteText(file, kCvtPrms, L"MkDirStr", p.MkDirStr);
  WriteFlag(file, kCvtPrms, L"IFileDel", p.IFileDel);
  WriteFlag(file, kCvtPrms, L"Recycle", p.Recycle);
  WriteFlag(file, kCvtPrms, L"Progressive", p.Progressive);
  WriteFlag(file, kCvtPrms, L"CmtOpt", p.CmtOpt);
  WriteText(file, kCvtPrms, L"CmtStr1", EncodeComment(p.CmtStr1));
}

void SaveAppOptions(ProfileWriter& file, const StoredAppState& state) {
  const AppOptions& o = state.options;
  if (state.hasWindowPosition) {
    WriteInt(file, kMWin, L"WinX", state.winX);
    WriteInt(file, kMWin, L"WinY", state.winY);
  }
  WriteFlag(file, kMWin, L"TopMost", o.TopMost);
  WriteInt(file, kMWin, L"TvIOSet", o.TvIOSet);
  WriteInt(file, kMWin, L"Hidden", o.Hidden);
  WriteFlag(file, kMWin, L"DTExpand", o.DTExpand);
  WriteFlag(file, kMWin, L"EndMes", o.EndMes);
  WriteFlag(file, kMWin, L"FileMes", o.FileMes);
  WriteFlag(file, kMWin, L"SdToCvt", o.SdToCvt);
  WriteFlag(file, kMWin, L"TipAct", o.TipAct);
  WriteInt(file, kMWin, L"CalcNum", o.CalcNum);
  WriteInt(file, kMWin, L"IIFolder", o.IIFolder);
  WriteInt(file, kMWin, L"OIFolder", o.OIFolder);
  WriteText(file, kMWin, L"ISPath", o.ISPath);
  WriteText(file, kMWin, L"OSPath", o.OSPath);
  WriteText(file, kMWin, L"IEPath", o.IEPath);
  WriteText(file, kMWin, L"OEPath", o.OEPath);
  WriteText(file, kMWin, L"SdToPath", o.SdToPath);
  for (size_t i = 0; i < kHistoryLength; ++i) {
    const std::wstring n = std::to_wstring(i);
    WriteText(file, kMWin, (L"IH" + n).c_str(), i < state.inputHistory.size() ? state.inputHistory[i] : L"");
    WriteText(file, kMWin, (L"OH" + n).c_str(),
              i < state.outputHistory.size() ? state.outputHistory[i] : L"");
  }

  size_t next = 0;
  for (size_t slot = 0; slot < state.registeredFolders.size() && slot < kMaxRegisteredFolders; ++slot) {
    const std::wstring& folder = state.registeredFolders[slot];
    if (folder.empty()) break;
    if (!IsExistingFolder(folder)) continue;
    WriteText(file, kFolderList, std::to_wstring(next++).c_str(), folder);
  }
}

}  // namespace

bool LocateSettingsFileUnder(const std::wstring& exePath, SettingsOwner owner, const std::wstring& userRoot,
                             std::wstring& settingsPath) {
  settingsPath.clear();
  if (owner == SettingsOwner::kWindowsProgram && !EqualsAsciiNoCase(LastPathComponent(exePath), kProgramName))
    return false;
  const std::wstring beside = JoinPath(ParentPath(exePath), kSettingsName);
  if (PathExists(beside) && !IsExistingFolder(beside)) {
    settingsPath = beside;
    return true;
  }
  if (!userRoot.empty()) {
    if (!IsExistingFolder(userRoot)) CreateFolder(userRoot);
    const std::wstring folder = JoinPath(userRoot, kSettingsFolder);
    if (!IsExistingFolder(folder)) CreateFolder(folder);
    settingsPath = JoinPath(folder, kSettingsName);
    return true;
  }
  settingsPath = beside;
  return true;
}

bool LocateSettingsFile(const std::wstring& exePath, SettingsOwner owner, std::wstring& settingsPath) {
  return LocateSettingsFileUnder(exePath, owner, UserSettingsRoot(), settingsPath);
}

void LoadConversionParams(const std::wstring& settingsPath, ConversionParams& params) {
  const std::unique_ptr<ProfileReader> file = OpenProfileForReading(settingsPath);
  const ConversionParams d;
  ConversionParams& p = params;
  p.Quality = ReadInt(*file, kCvtPrms, L"Quality", d.Quality);
  p.Sampling = ReadInt(*file, kCvtPrms, L"Sampling", d.Sampling);
  p.Limit = ReadFlag(*file, kCvtPrms, L"Limit", d.Limit);
  p.LmtVal = ReadInt(*file, kCvtPrms, L"LmtVal", d.LmtVal);
  p.ScaleNum = ReadInt(*file, kCvtPrms, L"ScaleNum", d.ScaleNum);
  p.NameSet = ReadInt(*file, kCvtPrms, L"NameSet", d.NameSet);
  p.DigitNum = ReadInt(*file, kCvtPrms, L"DigitNum", d.DigitNum);
  p.StartNum = ReadInt(*file, kCvtPrms, L"StartNum", d.StartNum);
  p.TopAdd = ReadFlag(*file, kCvtPrms, L"TopAdd", d.TopAdd);
  p.EndAdd = ReadFlag(*file, kCvtPrms, L"EndAdd", d.EndAdd);
  p.TopStr = ReadText(*file, kCvtPrms, L"TopStr", d.TopStr);
  p.EndStr = ReadText(*file, kCvtPrms, L"EndStr", d.EndStr);
  p.MkDirAdd = ReadFlag(*file, kCvtPrms, L"MkDirAdd", d.MkDirAdd);
  p.MkDirStr = ReadText(*file, kCvtPrms, L"MkDirStr", d.MkDirStr);
  p.IFileDel = ReadFlag(*file, kCvtPrms, L"IFileDel", d.IFileDel);
  p.Recycle = ReadFlag(*file, kCvtPrms, L"Recycle", d.Recycle);
  p.Progressive = ReadFlag(*file, kCvtPrms, L"Progressive", d.Progressive);
  p.CmtOpt = ReadFlag(*file, kCvtPrms, L"CmtOpt", d.CmtOpt);
  p.CmtStr1 =
      DecodeComment(ReadText(*file, kCvtPrms, L"CmtStr1", EncodeComment(d.CmtStr1), kMaxStoredCommentChars));
}

void LoadAppOptions(const std::wstring& settingsPath, StoredAppState& state) {
  const std::unique_ptr<ProfileReader> file = OpenProfileForReading(settingsPath);
  state = StoredAppState{};
  const AppOptions d;
  AppOptions& o = state.options;
  o.TopMost = ReadFlag(*file, kMWin, L"TopMost", d.TopMost);
  o.TvIOSet = ReadInt(*file, kMWin, L"TvIOSet", d.TvIOSet);
  o.Hidden = ReadInt(*file, kMWin, L"Hidden", d.Hidden);
  o.DTExpand = ReadFlag(*file, kMWin, L"DTExpand", d.DTExpand);
  o.EndMes = ReadFlag(*file, kMWin, L"EndMes", d.EndMes);
  o.FileMes = ReadFlag(*file, kMWin, L"FileMes", d.FileMes);
  o.SdToCvt = ReadFlag(*file, kMWin, L"SdToCvt", d.SdToCvt);
  o.TipAct = ReadFlag(*file, kMWin, L"TipAct", d.TipAct);
  o.CalcNum = ReadInt(*file, kMWin, L"CalcNum", d.CalcNum);
  o.IIFolder = ReadInt(*file, kMWin, L"IIFolder", d.IIFolder);
  o.OIFolder = ReadInt(*file, kMWin, L"OIFolder", d.OIFolder);
  o.ISPath = ReadText(*file, kMWin, L"ISPath", d.ISPath);
  o.OSPath = ReadText(*file, kMWin, L"OSPath", d.OSPath);
  o.IEPath = ReadText(*file, kMWin, L"IEPath", d.IEPath);
  o.OEPath = ReadText(*file, kMWin, L"OEPath", d.OEPath);
  o.SdToPath = ReadText(*file, kMWin, L"SdToPath", d.SdToPath);

  // The window's default position (centred) is the window's to compute; a value is needed in both keys.
  const std::optional<std::wstring> x = file->Get(kMWin, L"WinX", kMaxNumberChars);
  const std::optional<std::wstring> y = file->Get(kMWin, L"WinY", kMaxNumberChars);
  if (x && y && !x->empty() && !y->empty()) {
    state.hasWindowPosition = true;
    state.winX = ParseProfileInt(*x);
    state.winY = ParseProfileInt(*y);
  }

  for (size_t i = 0; i < kHistoryLength; ++i) {
    const std::wstring n = std::to_wstring(i);
    const std::wstring in = ReadText(*file, kMWin, (L"IH" + n).c_str(), L"");
    const std::wstring out = ReadText(*file, kMWin, (L"OH" + n).c_str(), L"");
    if (!in.empty()) state.inputHistory.push_back(in);
    if (!out.empty()) state.outputHistory.push_back(out);
  }

  if (!file->Exists()) {
    const std::wstring pictures = PicturesFolder();
    if (IsExistingFolder(pictures)) state.registeredFolders.push_back(pictures);
    return;
  }
  for (size_t i = 0; i < kMaxRegisteredFolders; ++i) {
    const std::wstring folder = ReadText(*file, kFolderList, std::to_wstring(i).c_str(), L"");
    if (folder.empty()) break;
    if (IsExistingFolder(folder)) state.registeredFolders.push_back(folder);
  }
}

bool SaveSettings(const std::wstring& settingsPath, const ConversionParams& params,
                  const StoredAppState& state) {
  const std::unique_ptr<ProfileWriter> file = OpenProfileForWriting(settingsPath);
  file->RemoveSection(kMWin);
  file->RemoveSection(kCvtPrms);
  file->RemoveSection(kFolderList);
  SaveConversionParams(*file, params);
  SaveAppOptions(*file, state);
  return file->Commit();
}

std::wstring EncodeComment(const std::wstring& comment) {
  std::wstring stored;
  stored.reserve(comment.size() + 1);
  for (wchar_t c : comment) {
    if (c == L'\r')
      c = L'\x02';
    else if (c == L'\n')
      c = L'\x03';
    stored += c;
  }
  stored += L'0';
  return stored;
}

std::wstring DecodeComment(const std::wstring& stored) {
  std::wstring comment;
  if (stored.empty()) return comment;
  comment.reserve(stored.size() - 1);
  for (size_t i = 0; i + 1 < stored.size(); ++i) {
    const wchar_t c = stored[i];
    if (c == L'\x1b') continue;
    comment += c == L'\x02' ? L'\r' : c == L'\x03' ? L'\n' : c;
  }
  return comment;
}

}  // namespace qv
