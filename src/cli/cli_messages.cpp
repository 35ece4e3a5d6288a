// The command line's texts in English and Japanese, and the escaping of names for display.
#include "cli/cli_messages.h"

#include <cstdio>

#include "platform/console.h"
#include "platform/text.h"

namespace qv::cli {

namespace {

struct Text {
  const wchar_t* english;
  const wchar_t* japanese;
};

// Japanese texts of the message table, so that both front ends say the same thing.
Text FromTable(const wchar_t* english, MessageCode code) { return {english, MessageFor(code).text}; }

Text TextOf(CliMessage message) {
  switch (message) {
    case CliMessage::kNoSuchPath: return {L"no such file or folder", L"ファイルまたはフォルダがありません。"};
    case CliMessage::kNotRegularFile:
      return {L"not a regular file (a FIFO, socket or device is never read)", L"通常のファイルではありません。"};
    case CliMessage::kNotAFolder: return FromTable(L"not a folder", MessageCode::kInvalidOutput);
    case CliMessage::kNoSuchFolder: return FromTable(L"no such folder", MessageCode::kInvalidOutput);
    case CliMessage::kFolderCreate: return FromTable(L"cannot create the folder", MessageCode::kFolderCreate);
    case CliMessage::kNothingToConvert: return FromTable(L"no JPEG files to convert", MessageCode::kNoFiles);
    case CliMessage::kMemory: return FromTable(L"out of memory", MessageCode::kMemory);
    case CliMessage::kSettingsWrite: return {L"cannot write the settings file", L"設定ファイルを書き込めません。"};
    case CliMessage::kNoSettingsPlace:
      return {L"no folder for the settings file", L"設定ファイルを置くフォルダがありません。"};
    case CliMessage::kNoPaths:
      return {L"no PATH given (name JPEG files or folders; --save alone only stores the options)",
              L"ファイルまたはフォルダを指定してください（--save だけなら設定の保存のみ）。"};
    case CliMessage::kSaveWithDryRun:
      return {L"--save cannot be combined with --dry-run", L"--save と --dry-run は同時に指定できません。"};
    case CliMessage::kNotRecycled:
      return {L"converted, but the recycle bin refused the input; it was kept",
              L"変換しましたが、ごみ箱へ移動できませんでした。入力ファイルは残っています。"};
    case CliMessage::kNotDeleted:
      return {L"converted, but the input could not be deleted; it was kept",
              L"変換しましたが、削除できませんでした。入力ファイルは残っています。"};
    case CliMessage::kInputChanged:
      return {L"converted, but the input changed while it was converted; it was kept",
              L"変換しましたが、変換中に入力ファイルが変更されたため残しました。"};
    case CliMessage::kStdoutFailed: return {L"cannot write to standard output", L"標準出力に書き込めません。"};
  }
  return {L"", L""};
}

Text ReasonOf(FileStatus status) {
  switch (status) {
    case FileStatus::kConverted: return {L"converted", L"変換しました。"};
    case FileStatus::kNotJpeg: return {L"not a JPEG file", L"JPEG ファイルではありません。"};
    case FileStatus::kDecodeFailed:
      return {L"cannot be decoded (damaged or of an unsupported kind)", L"読み込めません（破損または未対応の形式）。"};
    case FileStatus::kTooLarge: return {L"too large to convert at this scale", L"この倍率では大きすぎます。"};
    case FileStatus::kEncodeFailed:
      return {L"cannot be encoded (is the temporary folder full?)",
              L"出力を作成できません（一時フォルダを確認してください）。"};
    case FileStatus::kNameExhausted:
      return {L"no free output name (+1 to +9999 are taken)",
              L"空いている出力ファイル名がありません（+1～+9999 は使用済み）。"};
    case FileStatus::kCopyFailed: return {L"cannot write the output file", L"出力ファイルを書き込めません。"};
  }
  return {L"", L""};
}

std::wstring Pick(const Text& text) { return JapaneseMessages() ? text.japanese : text.english; }

void AppendEscape(std::wstring& out, const char* format, unsigned value) {
  char buf[16];
  std::snprintf(buf, sizeof(buf), format, value);
  for (const char* p = buf; *p != '\0'; ++p) out += static_cast<wchar_t>(*p);
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

bool JapaneseMessages() {
  static const bool japanese = PrefersJapaneseMessages();
  return japanese;
}

std::wstring MessageText(CliMessage message) { return Pick(TextOf(message)); }

std::wstring SkipReasonText(FileStatus status) { return Pick(ReasonOf(status)); }

std::wstring OverLimitText(int32_t limitKb) {
  const std::wstring kb = std::to_wstring(limitKb) + L" KB";
  return JapaneseMessages() ? L"画質 1 で書き込みましたが、" + kb + L" を超えています。"
                            : L"written at quality 1, still larger than " + kb;
}

const char* MessageReason(CliMessage message) {
  switch (message) {
    case CliMessage::kNoSuchPath: return "no-such-path";
    case CliMessage::kNotRegularFile: return "not-a-regular-file";
    case CliMessage::kNotAFolder: return "not-a-folder";
    case CliMessage::kNoSuchFolder: return "no-such-folder";
    case CliMessage::kFolderCreate: return "folder-create-failed";
    case CliMessage::kNothingToConvert: return "nothing-to-convert";
    case CliMessage::kMemory: return "out-of-memory";
    case CliMessage::kSettingsWrite: return "settings-write-failed";
    case CliMessage::kNoSettingsPlace: return "no-settings-place";
    case CliMessage::kNoPaths: return "no-paths";
    case CliMessage::kSaveWithDryRun: return "save-with-dry-run";
    case CliMessage::kNotRecycled: return "not-recycled";
    case CliMessage::kNotDeleted: return "not-deleted";
    case CliMessage::kInputChanged: return "input-changed";
    case CliMessage::kStdoutFailed: return "stdout-failed";
  }
  return "unknown";
}

std::string Diagnostic(const std::wstring& subject, const std::wstring& text) {
  std::string line = "quorvix: ";
  if (!subject.empty()) line += DisplayText(subject, true) + ": ";
  return line + DisplayText(text, true) + "\n";
}

std::wstring InputCountLabel() { return JapaneseMessages() ? kInputCountLabel : L"input files"; }
std::wstring OutputCountLabel() { return JapaneseMessages() ? kOutputCountLabel : L"output files"; }

std::string DisplayText(const std::wstring& text, bool escapeControls) {
  constexpr bool kUtf16 = sizeof(wchar_t) == 2;
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (kUtf16 && IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out += c;
      out += text[++i];
    } else if (c >= 0xDC80 && c <= 0xDCFF && !kUtf16) {
      AppendEscape(out, "\\x%02x", static_cast<unsigned>(c - 0xDC00));
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendEscape(out, "\\u%04x", static_cast<unsigned>(c));
    } else if (escapeControls && (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))) {
      if (c == L'\n') out += L"\\n";
      else if (c == L'\r') out += L"\\r";
      else if (c == L'\t') out += L"\\t";
      else AppendEscape(out, c < 0x80 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
    } else {
      out += c;
    }
  }
  return ToUtf8(out);
}

}  // namespace qv::cli
