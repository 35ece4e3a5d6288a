// What the command line tells its user: diagnostics "quorvix: SUBJECT: TEXT" in English, or in Japanese
// when the user's locale is Japanese (the texts of the message table where it has one), and names made
// safe to show on a terminal or in JSON.
#pragma once

#include <string>

#include "batch/messages.h"
#include "batch/run.h"

namespace qv::cli {

enum class CliMessage {
  kNoSuchPath,        // an argument names nothing
  kNotRegularFile,    // an argument is a FIFO, socket, device ...
  kNotAFolder,        // the output folder exists but is no folder
  kNoSuchFolder,      // the output folder does not exist
  kFolderCreate,      // the sub-folder could not be created
  kNothingToConvert,  // no JPEG file among the inputs
  kMemory,            // the codec states could not be allocated
  kSettingsWrite,     // --save failed
  kNoSettingsPlace,   // no folder for the settings file
  kNoPaths,           // neither a path nor --save
  kSaveWithDryRun,    // --save and --dry-run together
  kNotRecycled,       // converted, but the recycle bin refused the input
  kNotDeleted,        // converted, but the input could not be deleted
  kInputChanged,      // converted, but the input changed meanwhile, so it was not removed
  kStdoutFailed,      // standard output could not be written
};

// True when messages are Japanese (decided once from the locale).
bool JapaneseMessages();

// The message's text in the user's language.
std::wstring MessageText(CliMessage message);

// Why a file was skipped, in the user's language.
std::wstring SkipReasonText(FileStatus status);

// That a file was written at quality 1 and is still larger than the size bound of `limitKb` KB, in the
// user's language.
std::wstring OverLimitText(int32_t limitKb);

// A stable short name of a message for JSON ("no-such-path", ...).
const char* MessageReason(CliMessage message);

// "quorvix: SUBJECT: TEXT\n" (without "SUBJECT: " when `subject` is empty), UTF-8, the subject escaped.
std::string Diagnostic(const std::wstring& subject, const std::wstring& text);

// The summary labels: "input files" / "output files", or the message table's Japanese labels.
std::wstring InputCountLabel();
std::wstring OutputCountLabel();

// `text` as UTF-8 for people. A byte of a name that is not UTF-8 (U+DC80-U+DCFF on POSIX) shows as
// "\xNN", an unpaired UTF-16 surrogate (Windows) as "\uNNNN". With `escapeControls` (terminal output)
// control characters show as "\n", "\r", "\t" or "\xNN"/"\u00NN", so that no name can move the cursor,
// recolour the terminal or break a line of the output; JSON escapes those itself.
std::string DisplayText(const std::wstring& text, bool escapeControls);

}  // namespace qv::cli
