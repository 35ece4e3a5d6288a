// The command line of `quorvix`: parsing into a plain record, and applying it over loaded settings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/params.h"
#include "settings/app_options.h"

namespace qv::cli {

struct CliOptions {
  std::vector<std::wstring> paths;
  std::wstring outputFolder;
  std::wstring settingsFile;
  std::optional<int> quality, sampling, limitKb, scale, digits, start;
  bool noLimit = false;
  std::optional<bool> progressive;
  std::optional<std::wstring> comment;  // empty optional = unchanged; "" with noComment
  bool noComment = false;
  std::optional<int> nameSet;
  std::optional<std::wstring> prefix, suffix, subfolder;
  bool noSubfolder = false;
  std::optional<int> deleteInput;  // 0 no, 1 recycle, 2 delete
  std::optional<int> jobs;         // files converted at once; none given: the number of processors
  std::optional<bool> autoRotate, keepExif, keepIcc, keepTime;  // empty: as the settings say
  std::optional<int> maxEdge;
  bool noMaxEdge = false;
  std::optional<int> encoder;  // kEncoderLibjpeg or kEncoderJpegli; empty: as the settings say
  std::optional<FitBox> fit;  // --fit WxH
  bool noFit = false;
  bool recursive = false;     // folders stand for their whole tree
  bool dryRun = false, json = false, quiet = false, save = false;
};

// The most files a run converts at once (--jobs).
constexpr int kMaxJobs = 256;

enum class ParseOutcome { kRun, kExit, kUsageError };

// Parses UTF-8 arguments (argv[0] included). On kExit (help, version) `message` is what to print to
// standard output; on kUsageError it is the error text for standard error.
ParseOutcome ParseCommandLine(const std::vector<std::string>& args, CliOptions& options, std::string& message);

// Reads the value of --fit, "WxH" (or "W×H") with both sides 1-65535. False with `error` saying what is
// wrong otherwise.
bool ParseFitBox(const std::string& text, FitBox& box, std::string& error);

// Applies the options that were given over `params` (loaded from the settings file).
void ApplyToParams(const CliOptions& options, ConversionParams& params);

}  // namespace qv::cli
