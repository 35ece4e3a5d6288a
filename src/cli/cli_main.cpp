// The command line: settings, the run request, the run through the batch core with a console observer,
// progress and diagnostics on standard error, JSON lines or a summary on standard output.
#include "cli/cli_main.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include <nlohmann/json.hpp>

#include "batch/run.h"
#include "cli/cli_messages.h"
#include "cli/cli_options.h"
#include "cli/cli_request.h"
#include "cli/run_temp_folder.h"
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
// The run's own folder for temporary files, emptied and removed at the end and by a hard stop.
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

// A problem said on standard error and, with --json, as one line {"error": {"reason", "path",
// "message"}} on standard output.
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

// A hard stop (a second Ctrl-C): no half-written output stays under a private name, and the run's
// temporary files go.
void HardStop() {
  RemovePartialOutputs();
  RemoveRunTempFolder(gRunTempFolder);
}

// The run's reports on a console: a progress line on a terminal, a line per skipped file, output over
// the size bound or input not removed, JSON lines, the summary.
class ConsoleObserver : public RunObserver {
 public:
  ConsoleObserver(const CliOptions& options, const CliRun& run)
      : json_(options.json),
        quiet_(options.quiet),
        progress_(!options.quiet && IsTerminal(Stream::kErr)),
        shown_(run.shown),
        subFolder_(RunOutputFolder(run.request.params, run.request.outputFolder)),
        removalAsked_(run.request.disposal != InputDisposal::kKeep),
        params_(run.request.params),
        removeByRecycling_(run.request.disposal == InputDisposal::kRecycle) {}

  void ShowMessage(MessageCode code) override {
    ClearProgress();
    switch (code) {
      case MessageCode::kFolderCreate: Report({CliMessage::kFolderCreate, subFolder_, {}}, json_); break;
      case MessageCode::kMemory: Report({CliMessage::kMemory, {}, {}}, json_); break;
      case MessageCode::kNoFiles: Report({CliMessage::kNothingToConvert, {}, {}}, json_); break;
      default: Report({CliMessage::kNotAFolder, {}, {}}, json_); break;
    }
  }
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
    lineShown_ = true;
  }
  void FileDone(const FileOutcome& o) override {
    const bool converted = o.status == FileStatus::kConverted;
    const bool removalFailed = o.disposal == DisposalResult::kFailed || o.disposal == DisposalResult::kChanged;
    if (removalFailed) ++removalFailures_;
    if (json_) {
      WriteJsonLine(o, converted);
      return;
    }
    if (quiet_) return;
    const std::wstring& shown =
        static_cast<size_t>(o.fileIndex) < shown_.size() ? shown_[o.fileIndex] : o.inputPath;
    if (converted && o.photo.overLimit) Say(shown, OverLimitText(params_.LmtVal));
    const CliMessage notRemoved = o.disposal == DisposalResult::kChanged ? CliMessage::kInputChanged
                                  : removeByRecycling_                   ? CliMessage::kNotRecycled
                                                                         : CliMessage::kNotDeleted;
    if (!converted) {
      Say(shown, SkipReasonText(o.status));
    } else if (removalFailed) {
      Say(shown, MessageText(notRemoved));
    }
  }
  bool PollCancelRequest() override { return gInterrupted.load(); }
  bool ConfirmCancel() override { return true; }  // Ctrl-C is the answer already
  // The output lines name the sub-folder in each path; a folder removed again held nothing to report.
  void AnnounceNewSubfolder(const std::wstring&) override {}
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
    if (!o.folder.empty()) j["folder"] = DisplayText(o.folder, false);
    if (converted) AddPhotoFields(j, o);
    if (removalAsked_) {
      j["input_removed"] = o.disposal == DisposalResult::kRemoved;
      if (o.disposal == DisposalResult::kChanged) j["input_kept"] = "input-changed";
    }
    ClearProgress();
    Out(Dump(j), true);
  }
  // What the output kept of its input, for each option in force.
  void AddPhotoFields(Json& j, const FileOutcome& o) const {
    if (params_.MaxEdgeOn == 1) j["scale"] = std::to_string(o.photo.scaleNum) + "/8";
    if (params_.AutoRotate == 1) j["rotated"] = o.photo.rotated;
    if (params_.KeepExif == 1) {
      j["exif_kept"] = o.photo.exifKept;
      if (o.photo.exifDropped != ExifDropReason::kNone) j["exif_dropped"] = ExifDropReasonName(o.photo.exifDropped);
    }
    if (params_.KeepIcc == 1) {
      j["icc_kept"] = o.photo.iccKept;
      if (o.photo.iccDropped != IccDropReason::kNone) j["icc_dropped"] = IccDropReasonName(o.photo.iccDropped);
    }
    if (params_.KeepTime == 1) j["time_kept"] = o.timeKept;
    if (params_.Limit == 1) j["over_limit"] = o.photo.overLimit;
  }
  // One diagnostic line about a file on standard error.
  void Say(const std::wstring& shown, const std::wstring& text) {
    ClearProgress();
    WriteText(Stream::kErr, Diagnostic(shown, text));
  }
  double Elapsed() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }
  void ClearProgress() {
    if (lineShown_) WriteText(Stream::kErr, "\r\x1b[K");
    lineShown_ = false;
  }

  bool json_, quiet_, progress_;
  const std::vector<std::wstring>& shown_;
  std::wstring subFolder_;
  bool removalAsked_;
  const ConversionParams params_;
  bool removeByRecycling_;
  int removalFailures_ = 0;
  bool lineShown_ = false;
  int planned_ = 0;
  std::chrono::steady_clock::time_point start_;
};

// Prints the names a run would give. False when the names cannot be planned (no memory).
bool DryRun(const RunRequest& request, bool json) {
  const std::optional<std::vector<NameCheckRow>> rows = PlanOutputNames(request);
  if (!rows) return false;
  const std::wstring outputFolder = RunOutputFolder(request.params, request.outputFolder);
  for (const NameCheckRow& row : *rows) {
    if (json) {
      Json j;
      j["input"] = DisplayText(row.inputPath, false);
      const std::wstring folder = row.folder.empty() ? outputFolder : JoinPath(outputFolder, row.folder);
      j["output"] = row.outputName.empty() ? Json(nullptr) : Json(DisplayText(JoinPath(folder, row.outputName), false));
      if (!row.folder.empty()) j["folder"] = DisplayText(row.folder, false);
      Out(Dump(j), false);
    } else {
      // Of a tree run, both names with their sub-folder (relative to the listed and the output folder).
      auto relative = [&row](const std::wstring& name) { return row.folder.empty() ? name : JoinPath(row.folder, name); };
      const std::string output = row.outputName.empty() ? "-" : DisplayText(relative(row.outputName), true);
      Out(DisplayText(relative(row.inputName), true) + " -> " + output + "\n", false);
    }
  }
  return true;
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

  CliRun run;
  const bool ready = BuildCliRequest(options, params, state.options, run);
  for (const Problem& p : run.problems) Report(p, json);
  if (!ready) return 2;
  const int refused = run.problems.empty() ? 0 : 1;
  if (options.dryRun) {
    if (DryRun(run.request, json)) return refused;
    Report({CliMessage::kMemory, {}, {}}, json);
    return 2;
  }
  if (options.save && !SaveSettings(settingsPath, params, state)) {
    Report({CliMessage::kSettingsWrite, settingsPath, {}}, json);
    return 2;
  }

  // Runs that were killed outright left their folders behind; this one's is made with an owner lock.
  const std::wstring tempBase = TemporaryFolder();
  RemoveAbandonedRunTempFolders(tempBase);
  gRunTempFolder = MakeRunTempFolder(tempBase);
  run.request.tempFolder = gRunTempFolder;
  run.request.stopHint = &gInterrupted;  // every interrupt stops the run: workers need not go on
  InstallInterruptHandling(&gInterrupted, HardStop);
  ConsoleObserver observer(options, run);
  RunSummary summary;
  try {
    summary = ExecuteRun(run.request, observer);
  } catch (const std::bad_alloc&) {
    RemoveRunTempFolder(gRunTempFolder);
    throw;
  }
  RemoveRunTempFolder(gRunTempFolder);
  if (!summary.started) return 2;
  const bool complete = summary.written == summary.planned && !summary.cancelled && observer.removalFailures() == 0;
  return std::max(complete ? 0 : 1, refused);
}

// RunCli without its last guard.
int RunCliCommand(const std::vector<std::string>& args) {
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
      try {
        status = Execute(options, settingsPath, params, state);
      } catch (const std::bad_alloc&) {
        // A small allocation failed where the run could not go on (the run has ended its workers and
        // removed its temporary files): said, with the status of a failure before the run.
        try {
          Report({CliMessage::kMemory, {}, {}}, options.json);
        } catch (const std::bad_alloc&) {
        }
        return 2;
      }
      break;
    }
  }
  if (gStdoutFailed) {
    WriteText(Stream::kErr, Diagnostic(L"", MessageText(CliMessage::kStdoutFailed)));
    status = std::max(status, 1);
  }
  return status;
}

}  // namespace

int RunCli(const std::vector<std::string>& args) {
  try {
    return RunCliCommand(args);
  } catch (const std::bad_alloc&) {
    // Parsing the options or reading the settings: nothing was written yet.
    WriteText(Stream::kErr, "quorvix: out of memory\n");
    return 2;
  }
}

}  // namespace qv::cli
