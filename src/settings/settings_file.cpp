// The settings file: its location, the keys and defaults of CvtPrms, MWin, FolderList and PhotoOpt, the
// encoding of values. Talks to the file only through platform/profile.h; knows nothing of windows or controls.
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
constexpr wchar_t kPhotoOpt[] = L"PhotoOpt";

// Paths (MWin, FolderList) as long as the system takes them; the name parts of CvtPrms (prefix, suffix,
// sub-folder) within the bound their fields have.
constexpr size_t kMaxPathTextChars = kMaxLongPathChars;
constexpr size_t kMaxNameTextChars = kMaxPathChars;
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
                      const std::wstring& fallback, size_t maxChars = kMaxPathTextChars) {
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

// One key of a section and the field of the record it stores: a number, a flag (bit 0 of a number), a
// text, or a comment (a text in the stored form of EncodeComment, allowed to be longer). Each section's
// keys are listed once, in the order they are written, and both loading and saving go through the list.
template <typename Record>
struct SettingKey {
  const wchar_t* name;
  int32_t Record::*number = nullptr;
  uint8_t Record::*flag = nullptr;
  std::wstring Record::*text = nullptr;
  std::wstring Record::*comment = nullptr;
};

template <typename Record>
constexpr SettingKey<Record> Number(const wchar_t* name, int32_t Record::*field) {
  return {name, field, nullptr, nullptr, nullptr};
}
template <typename Record>
constexpr SettingKey<Record> Flag(const wchar_t* name, uint8_t Record::*field) {
  return {name, nullptr, field, nullptr, nullptr};
}
template <typename Record>
constexpr SettingKey<Record> Text(const wchar_t* name, std::wstring Record::*field) {
  return {name, nullptr, nullptr, field, nullptr};
}
template <typename Record>
constexpr SettingKey<Record> Comment(const wchar_t* name, std::wstring Record::*field) {
  return {name, nullptr, nullptr, nullptr, field};
}

using P = ConversionParams;
const SettingKey<ConversionParams> kCvtPrmsKeys[] = {
    Number(L"Quality", &P::Quality),   Number(L"Sampling", &P::Sampling),     Flag(L"Limit", &P::Limit),
    Number(L"LmtVal", &P::LmtVal),     Number(L"ScaleNum", &P::ScaleNum),     Number(L"NameSet", &P::NameSet),
    Number(L"DigitNum", &P::DigitNum), Number(L"StartNum", &P::StartNum),     Flag(L"TopAdd", &P::TopAdd),
    Flag(L"EndAdd", &P::EndAdd),       Text(L"TopStr", &P::TopStr),           Text(L"EndStr", &P::EndStr),
    Flag(L"MkDirAdd", &P::MkDirAdd),   Text(L"MkDirStr", &P::MkDirStr),       Flag(L"IFileDel", &P::IFileDel),
    Flag(L"Recycle", &P::Recycle),     Flag(L"Progressive", &P::Progressive), Flag(L"CmtOpt", &P::CmtOpt),
    Comment(L"CmtStr1", &P::CmtStr1),
};

// The conversion parameters added after CvtPrms had its fixed layout: what an output keeps of its input
// and the long-edge bound. A section of their own leaves CvtPrms as every earlier file has it.
const SettingKey<ConversionParams> kPhotoOptKeys[] = {
    Flag(L"AutoRotate", &P::AutoRotate), Flag(L"KeepExif", &P::KeepExif),   Flag(L"KeepIcc", &P::KeepIcc),
    Flag(L"KeepTime", &P::KeepTime),     Flag(L"MaxEdgeOn", &P::MaxEdgeOn), Number(L"MaxEdge", &P::MaxEdge),
    Flag(L"FitOn", &P::FitOn),           Number(L"FitWidth", &P::FitWidth), Number(L"FitHeight", &P::FitHeight),
    Number(L"Encoder", &P::Encoder),
};

// MWin's keys besides the window position (written first, only when known) and the histories.
using O = AppOptions;
const SettingKey<AppOptions> kMWinKeys[] = {
    Flag(L"TopMost", &O::TopMost),     Number(L"TvIOSet", &O::TvIOSet),   Number(L"Hidden", &O::Hidden),
    Flag(L"DTExpand", &O::DTExpand),   Flag(L"EndMes", &O::EndMes),       Flag(L"FileMes", &O::FileMes),
    Flag(L"SdToCvt", &O::SdToCvt),     Flag(L"TipAct", &O::TipAct),       Number(L"CalcNum", &O::CalcNum),
    Number(L"IIFolder", &O::IIFolder), Number(L"OIFolder", &O::OIFolder), Text(L"ISPath", &O::ISPath),
    Text(L"OSPath", &O::OSPath),       Text(L"IEPath", &O::IEPath),       Text(L"OEPath", &O::OEPath),
    Text(L"SdToPath", &O::SdToPath),
    Flag(L"SubFolders", &O::SubFolders),
};

// Reads every key of `keys` into `record`; a missing key gives the record's default.
template <typename Record, size_t N>
void LoadKeys(const ProfileReader& file, const wchar_t* section, const SettingKey<Record> (&keys)[N], Record& record,
              size_t textChars) {
  const Record defaults;
  for (const SettingKey<Record>& key : keys) {
    if (key.number != nullptr) record.*key.number = ReadInt(file, section, key.name, defaults.*key.number);
    if (key.flag != nullptr) record.*key.flag = ReadFlag(file, section, key.name, defaults.*key.flag);
    if (key.text != nullptr) record.*key.text = ReadText(file, section, key.name, defaults.*key.text, textChars);
    if (key.comment != nullptr)
      record.*key.comment = DecodeComment(
          ReadText(file, section, key.name, EncodeComment(defaults.*key.comment), kMaxStoredCommentChars));
  }
}

template <typename Record, size_t N>
void SaveKeys(ProfileWriter& file, const wchar_t* section, const SettingKey<Record> (&keys)[N], const Record& record) {
  for (const SettingKey<Record>& key : keys) {
    if (key.number != nullptr) WriteInt(file, section, key.name, record.*key.number);
    if (key.flag != nullptr) WriteFlag(file, section, key.name, record.*key.flag);
    if (key.text != nullptr) WriteText(file, section, key.name, record.*key.text);
    if (key.comment != nullptr) WriteText(file, section, key.name, EncodeComment(record.*key.comment));
  }
}

void SaveConversionParams(ProfileWriter& file, const ConversionParams& p) { SaveKeys(file, kCvtPrms, kCvtPrmsKeys, p); }

void SavePhotoOptions(ProfileWriter& file, const ConversionParams& p) { SaveKeys(file, kPhotoOpt, kPhotoOptKeys, p); }

void SaveAppOptions(ProfileWriter& file, const StoredAppState& state) {
  const AppOptions& o = state.options;
  if (state.hasWindowPosition) {
    WriteInt(file, kMWin, L"WinX", state.winX);
    WriteInt(file, kMWin, L"WinY", state.winY);
  }
  SaveKeys(file, kMWin, kMWinKeys, o);
  for (size_t i = 0; i < kHistoryLength; ++i) {
    const std::wstring n = std::to_wstring(i);
    WriteText(file, kMWin, (L"IH" + n).c_str(), i < state.inputHistory.size() ? state.inputHistory[i] : L"");
    WriteText(file, kMWin, (L"OH" + n).c_str(), i < state.outputHistory.size() ? state.outputHistory[i] : L"");
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
  LoadKeys(*file, kCvtPrms, kCvtPrmsKeys, params, kMaxNameTextChars);
  LoadKeys(*file, kPhotoOpt, kPhotoOptKeys, params, kMaxNameTextChars);
}

void LoadAppOptions(const std::wstring& settingsPath, StoredAppState& state) {
  const std::unique_ptr<ProfileReader> file = OpenProfileForReading(settingsPath);
  state = StoredAppState{};
  LoadKeys(*file, kMWin, kMWinKeys, state.options, kMaxPathTextChars);

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

bool SaveSettings(const std::wstring& settingsPath, const ConversionParams& params, const StoredAppState& state) {
  const std::unique_ptr<ProfileWriter> file = OpenProfileForWriting(settingsPath);
  file->RemoveSection(kMWin);
  file->RemoveSection(kCvtPrms);
  file->RemoveSection(kFolderList);
  file->RemoveSection(kPhotoOpt);
  SaveConversionParams(*file, params);
  SaveAppOptions(*file, state);
  SavePhotoOptions(*file, params);  // last, so that the three older sections keep their place
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
