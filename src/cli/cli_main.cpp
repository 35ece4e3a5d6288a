// The command line: settings, input expansion, the run through the batch core with a console host,
// progress on standard error, JSON lines or a summary on standard output.
#include "cli/cli_main.h"

#include <atomic>
#include <chrono>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "batch/input_listing.h"
#include "batch/run.h"
#include "cli/cli_options.h"
#include "platform/console.h"
#include "platform/system_folders.h"
#include "platform/text.h"
#include "settings/settings_file.h"

namespace qv::cli {

namespace {

std::atomic<bool> gInterrupted{false};

std::string Utf8(const std::wstring& s) { return ToUtf8(s); }

std::string Clock(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%ld:%02ld", s / 60, s % 60);
  return buf;
}

nlohmann::ordered_json PathOrNull(const std::wstring& path) {
  return path.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(Utf8(path));
}

std::string Dump(const nlohmann::ordered_json& j) {
  return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

// The run's user interface on a console.
class ConsoleHost : public RunHost {
 public:
  ConsoleHost(bool json, bool quiet) : json_(json), quiet_(quiet), progress_(!quiet && IsTerminal(Stream::kErr)) {}

  void ShowMessage(MessageCode code) override {
    ClearProgress();
    WriteText(Stream::kErr, Utf8(MessageFor(code).text) + "\n");
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
    line += "  " + Utf8(LastPathComponent(inputPath));
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
    if (!json_) return;
    nlohmann::ordered_json j;
    j["input"] = Utf8(o.inputPath);
    j["output"] = PathOrNull(o.outputPath);
    const bool converted = o.status == FileStatus::kConverted;
    j["status"] = converted ? "converted" : "skipped";
    if (!converted) j["reason"] = FileStatusName(o.status);
    j["width"] = converted ? nlohmann::ordered_json(o.width) : nlohmann::ordered_json(nullptr);
    j["height"] = converted ? nlohmann::ordered_json(o.height) : nlohmann::ordered_json(nullptr);
    j["bytes"] = converted ? nlohmann::ordered_json(o.bytes) : nlohmann::ordered_json(nullptr);
    j["quality"] = converted ? nlohmann::ordered_json(o.quality) : nlohmann::ordered_json(nullptr);
    j["exif_date"] = o.exifDate.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(Utf8(o.exifDate));
    ClearProgress();
    WriteText(Stream::kOut, Dump(j));
  }
  bool PollCancelRequest() override { return gInterrupted.load(); }
  bool ConfirmCancel() override { return true; }
  void EndRun(const RunSummary& s) override {
    ClearProgress();
    if (json_) {
      nlohmann::ordered_json j;
      j["summary"] = {{"planned", s.planned}, {"written", s.written}, {"cancelled", s.cancelled}};
      WriteText(Stream::kOut, Dump(j));
    } else if (!quiet_) {
      WriteText(Stream::kOut, Utf8(std::wstring(kInputCountLabel) + L"  " + std::to_wstring(s.planned) + L"\n" +
                                   kOutputCountLabel + L"  " + std::to_wstring(s.written) + L"\n"));
    }
  }

 private:
  double Elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  void ClearProgress() {
    if (shown_) WriteText(Stream::kErr, "\r\x1b[K");
    shown_ = false;
  }

  bool json_, quiet_, progress_;
  bool shown_ = false;
  int planned_ = 0;
  std::chrono::steady_clock::time_point start_;
};

// Files stand for themselves; a folder stands for its JPEG files in natural order.
std::vector<std::wstring> ExpandInputs(const std::vector<std::wstring>& paths, int32_t hiddenMask) {
  std::vector<std::wstring> inputs;
  for (const std::wstring& given : paths) {
    const std::wstring path = AbsolutePath(given);
    if (IsExistingFolder(path)) {
      for (const InputRow& row : ListInputFolder(path, hiddenMask)) inputs.push_back(JoinPath(path, row.name));
    } else {
      inputs.push_back(path);
    }
  }
  return inputs;
}

int DryRun(RunEnvironment& env, const std::vector<std::wstring>& inputs, bool json) {
  std::wstring folder;
  if (!ResolveFileListOutputFolder(env, inputs, folder)) {
    WriteText(Stream::kErr, Utf8(MessageFor(MessageCode::kInvalidOutput).text) + "\n");
    return 2;
  }
  ConversionContext ctx;
  ctx.params = env.params;
  ctx.states.exifReader.reset(new ExifReaderState);
  for (const NameCheckRow& row : ComputeNameListing(ctx, RunOutputFolder(*env.params, folder), inputs)) {
    if (json) {
      nlohmann::ordered_json j;
      j["input"] = Utf8(row.inputPath);
      j["output"] = row.outputName.empty() ? nlohmann::ordered_json(nullptr)
                                           : nlohmann::ordered_json(Utf8(JoinPath(RunOutputFolder(*env.params, folder), row.outputName)));
      WriteText(Stream::kOut, Dump(j));
    } else {
      WriteText(Stream::kOut, Utf8(row.inputName) + " -> " + (row.outputName.empty() ? "-" : Utf8(row.outputName)) + "\n");
    }
  }
  return 0;
}

}  // namespace

int RunCli(const std::vector<std::string>& args) {
  CliOptions options;
  std::string message;
  switch (ParseCommandLine(args, options, message)) {
    case ParseOutcome::kExit:
      WriteText(Stream::kOut, message);
      return 0;
    case ParseOutcome::kUsageError:
      WriteText(Stream::kErr, message);
      return 2;
    case ParseOutcome::kRun:
      break;
  }

  std::wstring settingsPath = options.settingsFile;
  if (settingsPath.empty() && !LocateSettingsFile(ProgramFilePath(), SettingsOwner::kCommandLine, settingsPath)) {
    WriteText(Stream::kErr, "quorvix: no place for the settings file\n");
    return 2;
  }
  ConversionParams params;
  StoredAppState state;
  LoadConversionParams(settingsPath, params);
  LoadAppOptions(settingsPath, state);
  ApplyToParams(options, params);
  if (options.save && !SaveSettings(settingsPath, params, state)) {
    WriteText(Stream::kErr, "quorvix: the settings file could not be written: " + Utf8(settingsPath) + "\n");
    return 2;
  }

  RunEnvironment env;
  env.params = &params;
  env.options = &state.options;
  if (!options.outputFolder.empty()) env.outputFolderOverride = AbsolutePath(options.outputFolder);
  const std::vector<std::wstring> inputs = ExpandInputs(options.paths, state.options.Hidden);
  if (inputs.empty()) {
    WriteText(Stream::kErr, Utf8(MessageFor(MessageCode::kNoFiles).text) + "\n");
    return 2;
  }
  if (options.dryRun) return DryRun(env, inputs, options.json);

  InstallInterruptFlag(&gInterrupted);
  ConsoleHost host(options.json, options.quiet);
  const RunSummary summary = RunFileListConversion(host, env, inputs, RunSource::kCommandLine);
  if (!summary.started) return 2;
  return summary.written == summary.planned && !summary.cancelled ? 0 : 1;
}

}  // namespace qv::cli
