// The fixed user messages and window texts of conversion runs. Every front end shows these texts as
// they stand.
#pragma once

#include <string>

namespace qv {

enum class MessageCode {
  kMemory = 0,         // memory allocation failed
  kExecuteFailed = 1,  // running a file failed
  kInvalidInput = 3,   // the input folder is invalid
  kInvalidOutput = 4,  // the output folder is invalid
  kFolderCreate = 5,   // creating the folder failed
  kNoFiles = 6,        // there are no files to process
  kFolderChanged = 7,  // the input folder changed; check the input settings
};

enum class MessageIcon { kError, kWarning, kInformation };

struct MessageText {
  MessageCode code;
  const wchar_t* text;
  const wchar_t* caption;
  MessageIcon icon;
};

const MessageText& MessageFor(MessageCode code);

extern const wchar_t kAppTitle[];            // "Quorvix"
extern const wchar_t kProcessingTitle[];     // title while a run converts
extern const wchar_t kStoppingTitle[];       // title while a stopped run waits for its conversions to end
extern const wchar_t kCancelQuestion[];      // asked when Escape or the stop button is pressed
extern const wchar_t kSummaryCaption[];      // "変換完了"
extern const wchar_t kInputCountLabel[];     // "入力ファイル数"
extern const wchar_t kOutputCountLabel[];    // "出力ファイル数"
extern const wchar_t kOverLimitCountLabel[];  // "サイズ指定を超えたファイル数"

// The summary message box text: "入力ファイル数  N\n出力ファイル数  M\n    ", with the line
// "サイズ指定を超えたファイル数  K\n" before the last one when `overLimit` outputs are larger than the
// size bound.
std::wstring SummaryBoxText(int planned, int written, int overLimit = 0);

// The summary in the title: "変換完了    M/N （出力ファイル数/入力ファイル数）".
std::wstring SummaryTitle(int planned, int written);

}  // namespace qv
