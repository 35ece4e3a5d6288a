// The command line: settings, input expansion, the run through the batch core with a console host,
// progress and diagnostics on standard error, JSON lines or a summary on standard output.
#include "cli/cli_main.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "batch/input_listing.h"
#include "batch/run.h"
#include "cli/cli_messages.h"
#include "cli/cli_options.h"
#include "platform/console.h"
#include "platform/directory.h"
#include "platform/files.h"
#include "platform/system_folders.h"
#include "platform/text.h"
#include "settings/settings_file.h"

namespace qv::cli {

namespace {

using Json = nlohmann::ordered_json;

std::atomic<bool> gInterrupted{false};
bool gStdoutFailed = false;
// The run's own folder for temporary files, emptied and removed by a hard stop (a second Ctrl-C).
std::wstring gRunTempFolder;

// Standard output. A failed write is remembered for the exit status; a JSON consumer that went away
// (or a full disk) also stops the run after the current file, since its report can no longer be given.
void Out(const std::string& text, bool stopRunOnFailure) {
  if (WriteText(Stream::kOut, text)) return;
  gStdoutFailed = true;
  if (stopRunOnFailure) gInterrupted.store(true);
}

std::string Clock(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%ld:%02ld", s / 60, s % 60);
  return buf;
}

Json NameOrNull(const std::wstring& name) { return name.empty() ? Json(nullptr) : Json(DisplayText(name, false)); }

std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n"; }

// Something that keeps the command from doing (all of) its work, said on standard error and, with
// --json, as one line {"error": {"reason", "path", "message"}} on standard output.
struct Problem {
  CliMessage message;
  std::wstring path;     // what it is about (may be empty)
  std::wstring subject;  // how the diagnostic names it; empty: the path
};

void Report(const Problem& p, bool json) {
  const std::wstring subject = p.subject.empty() ? p.path : p.subject;
  WriteText(Stream::kErr, Diagnostic(subject, MessageText(p.message)));
  if (!json) return;
  Json error;
  error["reason"] = MessageReason(p.message);
  error["path"] = NameOrNull(p.path);
  error["message"] = DisplayText(MessageText(p.message), false);
  Json line;
  line["error"] = error;
  Out(Dump(line), false);
}

// The inputs of a run: each file with the name shown for it (as the user gave it), and what was refused.
struct Inputs {
  std::vector<std::wstring> paths;  // absolute
  std::vector<std::wstring> shown;
  std::vector<Problem> problems;
};

// Files stand for themselves; a folder stands for its JPEG files in natural order. A path that names
// nothing, or something that is no regular file (a FIFO would block the run), is refused.
Inputs ExpandInputs(const std::vector<std::wstring>& given, int32_t hiddenMask) {
  Inputs inputs;
  for (const std::wstring& arg : given) {
    const std::wstring path = AbsolutePath(arg);
    if (IsExistingFolder(path)) {
      for (const InputRow& row : ListInputFolder(path, hiddenMask)) {
        inputs.paths.push_back(JoinPath(path, row.name));
        inputs.shown.push_back(JoinPath(arg, row.name));
      }
    } else if (IsRegularFile(path)) {
      inputs.paths.push_back(path);
      inputs.shown.push_back(arg);
    } else {
      inputs.problems.push_back({PathExists(path) ? CliMessage::kNotRegularFile : CliMessage::kNoSuchPath, arg, {}});
    }
  }
  return inputs;
}

// The output folder as the run will resolve it; a problem naming where it came from when it is unusable.
bool CheckOutputFolder(const RunEnvironment& env, const CliOptions& options, const Inputs& inputs, std::wstring& folder,
                       Problem& problem) {
  if (ResolveFileListOutputFolder(env, inputs.paths, folder)) return true;
  problem.message = PathExists(folder) ? CliMessage::kNotAFolder : CliMessage::kNoSuchFolder;
  problem.path = folder;
  if (!options.outputFolder.empty()) problem.subject = L"-o " + options.outputFolder;
  else if (!env.options->SdToPath.empty()) problem.subject = L"SdToPath " + folder;
  return false;
}

// A folder of its own for this run's temporary files, so that a hard stop knows what to remove.
std::wstring MakeRunTempFolder() {
  const std::wstring base = TemporaryFolder();
  const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::wstring folder = base + L"quorvix-" + std::to_wstring((stamp + attempt * 7919) % 100000000);
    if (CreateFolder(folder)) return folder + kPathSeparator;
  }
  return std::wstring();  // the system's temporary folder then
}

void RemoveRunTempFolder() {
  if (gRunTempFolder.empty()) return;
  for (const DirectoryEntry& entry : FindEntries(gRunTempFolder, L""))
    if ((entry.attributes & kAttributeDirectory) == 0) DeleteFileAt(JoinPath(gRunTempFolder, entry.name));
  RemoveEmptyFolder(gRunTempFolder);
}

// The run's user interface on a console.
class ConsoleHost : public RunHost {
 public:
  ConsoleHost(const CliOptions& options, const Inputs& inputs, std::wstring subFolder)
      : json_(options.json),
        quiet_(options.quiet),
        progress_(!options.quiet && IsTerminal(Stream::kErr)),
        inputs_(inputs),
        subFolder_(std::move(subFolder)) {}

  void ShowMessage(MessageCode code) override {
    ClearProgress();
    switch (code) {
      case MessageCode::kFolderCreate: Report({CliMessage::kFolderCreate, subFolder_, {}}, json_); break;
      case MessageCode::kMemory: Report({CliMessage::kMemory, {}, {}}, json_); break;
      case MessageCode::kNoFiles: Report({CliMessage::kNothingToConvert, {}, {}}, json_); break;
      default: Report({CliMessage::kNotAFolder, {}, {}}, json_); break;
    }
  }
  bool ValidateFolderFields(std::wstring&, std::wstring&) override { return false; }
  bool InputFolderChangedStop() override { return false; }
  std::vector<RunRow> Rows() override { return {}; }
  bool RememberOutputFolder(std::wstring&) override { return false; }

  void BeginRun(int planned) override {
    planned_ = planned;
    start_ = std::chrono::steady_clock::now();
  }
  void FileStarting(int index, const std::wstring& inputPath) override {
    if (!progress_) return;
    const double elapsed = Elapsed();
    std::string line = "[" + std::to_string(index + 1) + "/" + std::to_string(planned_) + "] ";
    const int width = 20;
    const int filled = planned_ > 0 ? index * width / planned_ : 0;
    line += std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(width - filled), '.');
    line += " " + Clock(elapsed);
    if (index > 0) line += " / " + Clock(elapsed / index * (planned_ - index)) + " left";
    line += "  " + DisplayText(LastPathComponent(inputPath), true);
    // Keep the line within the terminal (counting UTF-8 lead bytes as characters is close enough).
    const size_t columns = static_cast<size_t>(TerminalColumns()) - 1;
    size_t chars = 0, cut = line.size();
    for (size_t i = 0; i < line.size(); ++i) {
      if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80 && ++chars > columns) {
        cut = i;
        break;
      }
    }
    WriteText(Stream::kErr, "\r\x1b[K" + line.substr(0, cut));
    shown_ = true;
  }
  void FileDone(const FileOutcome& o) override {
    const bool converted = o.status == FileStatus::kConverted;
    const bool removalFailed = o.disposal == DisposalResult::kFailed;
    if (removalFailed) ++removalFailures_;
    if (json_) {
      WriteJsonLine(o, converted);
      return;
    }
    if (quiet_ || (converted && !removalFailed)) return;
    ClearProgress();
    const std::wstring& shown =
        static_cast<size_t>(o.fileIndex) < inputs_.shown.size() ? inputs_.shown[o.fileIndex] : o.inputPath;
    std::wstring text;
    if (!converted) text = SkipReasonText(o.status);
    else text = MessageText(removeByRecycling_ ? CliMessage::kNotRecycled : CliMessage::kNotDeleted);
    WriteText(Stream::kErr, Diagnostic(shown, text));
  }
  bool PollCancelRequest() override { return gInterrupted.load(); }
  bool ConfirmCancel() override { return true; }
  void EndRun(const RunSummary& s) override {
    ClearProgress();
    if (json_) {
      Json j;
      j["summary"] = {{"planned", s.planned}, {"written", s.written}, {"cancelled", s.cancelled}};
      Out(Dump(j), false);
    } else if (!quiet_) {
      Out(DisplayText(InputCountLabel() + L"  " + std::to_wstring(s.planned) + L"\n" + OutputCountLabel() + L"  " +
                          std::to_wstring(s.written) + L"\n",
                      false),
          false);
    }
  }

  // Whether inputs are removed after their output was written, and how.
  void SetRemoval(bool asked, bool recycle) {
    removalAsked_ = asked;
    removeByRecycling_ = recycle;
  }
  int removalFailures() const { return removalFailures_; }

 private:
  void WriteJsonLine(const FileOutcome& o, bool converted) {
    Json j;
    j["input"] = DisplayText(o.inputPath, false);
    j["output"] = NameOrNull(o.outputPath);
    j["status"] = converted ? "converted" : "skipped";
    if (!converted) j["reason"] = FileStatusName(o.status);
    j["width"] = converted ? Json(o.width) : Json(nullptr);
    j["height"] = converted ? Json(o.height) : Json(nullptr);
    j["bytes"] = converted ? Json(o.bytes) : Json(nullptr);
    j["quality"] = converted ? Json(o.quality) : Json(nullptr);
    j["exif_date"] = NameOrNull(o.exifDate);
    if (removalAsked_) j["input_removed"] = o.disposal == DisposalResult::kRemoved;
    ClearProgress();
    Out(Dump(j), true);
  }
  double Elapsed() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }
  void ClearProgress() {
    if (shown_) WriteText(Stream::kErr, "\r\x1b[K");
    shown_ = false;
  }

  bool json_, quiet_, progress_;
  const Inputs& inputs_;
  std::wstring subFolder_;
  bool removalAsked_ = false;
  bool removeByRecycling_ = false;
  int removalFailures_ = 0;
  bool shown_ = false;
  int planned_ = 0;
  std::chrono::steady_clock::time_point start_;
};

void DryRun(const ConversionParams& params, const std::wstring& outputFolder, const Inputs& inputs, bool json) {
  ConversionParams listingParams = params;
  ConversionContext ctx;
  ctx.params = &listingParams;
  ctx.states.exifReader.reset(new ExifReaderState);
  for (const NameCheckRow& row : ComputeNameListing(ctx, outputFolder, inputs.paths)) {
    if (json) {
      Json j;
      j["input"] = DisplayText(row.inputPath, false);
      j["output"] =
          row.outputName.empty() ? Json(nullptr) : Json(DisplayText(JoinPath(outputFolder, row.outputName), false));
      Out(Dump(j), false);
    } else {
      const std::string output = row.outputName.empty() ? "-" : DisplayText(row.outputName, true);
      Out(DisplayText(row.inputName, true) + " -> " + output + "\n", false);
    }
  }
}

// The command after its options were parsed and the settings loaded.
int Execute(const CliOptions& options, const std::wstring& settingsPath, ConversionParams& params,
            StoredAppState& state) {
  const bool json = options.json;
  if (options.paths.empty()) {  // --save alone
    if (SaveSettings(settingsPath, params, state)) return 0;
    Report({CliMessage::kSettingsWrite, settingsPath, {}}, json);
    return 2;
  }

  RunEnvironment env;
  env.params = &params;
  env.options = &state.options;
  if (!options.outputFolder.empty()) env.outputFolderOverride = AbsolutePath(options.outputFolder);
  const Inputs inputs = ExpandInputs(options.paths, state.options.Hidden);
  for (const Problem& p : inputs.problems) Report(p, json);
  if (inputs.paths.empty()) {
    if (inputs.problems.empty()) Report({CliMessage::kNothingToConvert, {}, {}}, json);
    return 2;
  }
  std::wstring folder;
  Problem folderProblem;
  if (!CheckOutputFolder(env, options, inputs, folder, folderProblem)) {
    Report(folderProblem, json);
    return 2;
  }
  const int refused = inputs.problems.empty() ? 0 : 1;
  if (options.dryRun) {
    DryRun(params, RunOutputFolder(params, folder), inputs, json);
    return refused;
  }
  if (options.save && !SaveSettings(settingsPath, params, state)) {
    Report({CliMessage::kSettingsWrite, settingsPath, {}}, json);
    return 2;
  }

  gRunTempFolder = MakeRunTempFolder();
  env.tempFolder = gRunTempFolder;
  InstallInterruptHandling(&gInterrupted, RemoveRunTempFolder);
  ConsoleHost host(options, inputs, RunOutputFolder(params, folder));
  host.SetRemoval(params.IFileDel == 1, params.Recycle == 1);
  const RunSummary summary = RunFileListConversion(host, env, inputs.paths, RunSource::kCommandLine);
  if (!gRunTempFolder.empty()) RemoveEmptyFolder(gRunTempFolder);
  if (!summary.started) return 2;
  const bool complete = summary.written == summary.planned && !summary.cancelled && host.removalFailures() == 0;
  return std::max(complete ? 0 : 1, refused);
}

}  // namespace

int RunCli(const std::vector<std::string>& args) {
  CliOptions options;
  std::string message;
  int status = 0;
  switch (ParseCommandLine(args, options, message)) {
    case ParseOutcome::kExit: Out(message, false); break;
    case ParseOutcome::kUsageError:
      WriteText(Stream::kErr, message);
      return 2;
    case ParseOutcome::kRun: {
      std::wstring settingsPath = options.settingsFile;
      if (settingsPath.empty() && !LocateSettingsFile(ProgramFilePath(), SettingsOwner::kCommandLine, settingsPath)) {
        Report({CliMessage::kNoSettingsPlace, {}, {}}, options.json);
        return 2;
      }
      ConversionParams params;
      StoredAppState state;
      LoadConversionParams(settingsPath, params);
      LoadAppOptions(settingsPath, state);
      // A hand-edited settings file must not reach the naming rules unchecked; the options given are
      // checked by the parser.
      BoundToOfferedRanges(params);
      ApplyToParams(options, params);
      status = Execute(options, settingsPath, params, state);
      break;
    }
  }
  if (gStdoutFailed) {
    WriteText(Stream::kErr, Diagnostic(L"", MessageText(CliMessage::kStdoutFailed)));
    status = std::max(status, 1);
  }
  return status;
}

}  // namespace qv::cli
