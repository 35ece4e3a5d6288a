// Conversion runs and the file-name check's listing.
#include "batch/run.h"

#include "platform/directory.h"
#include "platform/files.h"
#include "platform/system_folders.h"

namespace qv {

const char* FileStatusName(FileStatus status) {
  switch (status) {
    case FileStatus::kConverted: return "converted";
    case FileStatus::kNotJpeg: return "not-a-jpeg";
    case FileStatus::kDecodeFailed: return "decode-failed";
    case FileStatus::kTooLarge: return "too-large";
    case FileStatus::kEncodeFailed: return "encode-failed";
    case FileStatus::kNameExhausted: return "name-exhausted";
    case FileStatus::kCopyFailed: return "copy-failed";
  }
  return "unknown";
}

std::wstring RunOutputFolder(const ConversionParams& params, const std::wstring& folder) {
  const std::wstring sub = OutputSubFolder(params);
  return sub.empty() ? folder : JoinPath(folder, sub);
}

DisposalResult DisposeInputFile(const std::wstring& path, bool recycle) {
  const bool removed = recycle ? RecycleFile(path) : DeleteFileAt(path);
  return removed ? DisposalResult::kRemoved : DisposalResult::kFailed;
}

namespace {

// Attempts at the final copy when the chosen name keeps being taken by someone else in between.
constexpr int kCopyAttempts = 8;

FileStatus StatusOf(ConversionFailure failure) {
  switch (failure) {
    case ConversionFailure::kNotJpeg: return FileStatus::kNotJpeg;
    case ConversionFailure::kTooLarge: return FileStatus::kTooLarge;
    case ConversionFailure::kEncodeFailed: return FileStatus::kEncodeFailed;
    default: return FileStatus::kDecodeFailed;
  }
}

// The state of the one active run.
struct ConversionRun {
  std::wstring outputFolder;  // with the sub-folder
  bool subFolderCreated = false;
  int planned = 0;
  int32_t fileIndex = 0;
  int written = 0;
  NamingRule rule = NamingRule::kInputName;
  ConversionContext ctx;
};

// Steps common to both runs once the inputs are known: settings, sub-folder, codec states. False when
// the run cannot start (the message has been shown).
bool PrepareRun(RunHost& host, RunEnvironment& env, ConversionRun& run, const std::wstring& outputFolder) {
  host.PrepareRunSettings(*env.params);
  run.rule = SelectNamingRule(env.params->NameSet);
  run.outputFolder = RunOutputFolder(*env.params, outputFolder);
  if (run.outputFolder != outputFolder && !IsExistingFolder(run.outputFolder)) {
    if (!CreateFolder(run.outputFolder)) {
      host.ShowMessage(MessageCode::kFolderCreate);
      return false;
    }
    run.subFolderCreated = true;
  }
  run.ctx.params = env.params;
  if (!PrepareCodecStates(run.ctx.states)) {
    ReleaseCodecStates(run.ctx.states);
    if (run.subFolderCreated) RemoveEmptyFolder(run.outputFolder);
    host.ShowMessage(MessageCode::kMemory);
    return false;
  }
  run.ctx.tempFolder = env.tempFolder.empty() ? TemporaryFolder() : env.tempFolder;
  host.BeginRun(run.planned);
  return true;
}

// Copies the temporary result to the output name, never replacing a file: when the name was taken
// between the check and the copy, the collision is resolved again.
FileStatus PlaceOutput(const std::wstring& tempPath, std::wstring& outputPath) {
  const std::wstring firstChoice = outputPath;
  for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
    outputPath = firstChoice;
    if (!ResolveCollisionOnDisk(outputPath)) return FileStatus::kNameExhausted;
    switch (CopyFileNoReplace(tempPath, outputPath)) {
      case CopyResult::kCopied: return FileStatus::kConverted;
      case CopyResult::kFailed: return FileStatus::kCopyFailed;
      case CopyResult::kTargetExists: break;
    }
  }
  return FileStatus::kCopyFailed;
}

void HandleFile(RunHost& host, RunEnvironment& env, ConversionRun& run, const std::wstring& inputPath,
                const std::wstring& inputName) {
  host.FileStarting(run.fileIndex, inputPath);
  // Nothing of the previous file may be reported for this one: a missing input fails before the engine
  // touches the date.
  run.ctx.exifDateFound = 0;
  run.ctx.exifDateTime = ExifDateTime{};
  FileOutcome outcome;
  outcome.inputPath = inputPath;
  outcome.fileIndex = run.fileIndex;
  std::wstring tempPath;
  if (!ConvertFileToTemp(run.ctx, inputPath, tempPath)) {
    outcome.status = StatusOf(run.ctx.lastFailure);
  } else {
    NameSource source{inputName, run.fileIndex, &run.ctx.exifDateTime, run.ctx.exifDateFound == 1};
    std::wstring outputPath = MakeOutputPath(run.rule, *env.params, source, run.outputFolder);
    outcome.status = PlaceOutput(tempPath, outputPath);
    if (outcome.status == FileStatus::kConverted) {
      ++run.written;
      outcome.outputPath = outputPath;
      outcome.width = run.ctx.loaded.width;
      outcome.height = run.ctx.loaded.height;
      outcome.quality = run.ctx.writtenQuality;
      MappedInputFile probe;
      outcome.bytes = MapInputFile(outputPath, probe);
      UnmapInputFile(probe);
      if (env.params->IFileDel == 1) outcome.disposal = DisposeInputFile(inputPath, env.params->Recycle == 1);
    }
    DeleteFileAt(tempPath);
  }
  if (run.rule == NamingRule::kExifDate && run.ctx.exifDateFound == 1 && IsUsableExifDate(run.ctx.exifDateTime)) {
    for (int i = 0; i < 19; ++i) outcome.exifDate += static_cast<wchar_t>(run.ctx.exifDateTime.text[i]);
  }
  host.FileDone(outcome);
  ++run.fileIndex;
}

bool CancelRequested(RunHost& host) { return host.PollCancelRequest() && host.ConfirmCancel(); }

RunSummary FinishRun(RunHost& host, ConversionRun& run, bool cancelled) {
  ReleaseCodecStates(run.ctx.states);
  if (run.subFolderCreated) {
    host.AnnounceNewSubfolder(run.outputFolder);
    run.subFolderCreated = false;
    if (run.written == 0) RemoveEmptyFolder(run.outputFolder);
  }
  RunSummary summary;
  summary.planned = run.planned;
  summary.written = run.written;
  summary.cancelled = cancelled;
  summary.started = true;
  host.EndRun(summary);
  return summary;
}

}  // namespace

RunSummary RunFolderConversion(RunHost& host, RunEnvironment& env) {
  std::wstring inputFolder, outputFolder;
  if (!host.ValidateFolderFields(inputFolder, outputFolder)) return {};
  if (host.InputFolderChangedStop()) return {};
  const std::vector<RunRow> rows = host.Rows();
  ConversionRun run;
  for (const RunRow& row : rows) run.planned += row.checked ? 1 : 0;
  if (run.planned == 0) {
    host.ShowMessage(MessageCode::kNoFiles);
    return {};
  }
  host.ReleaseInputPreview();
  if (!PrepareRun(host, env, run, outputFolder)) return {};
  bool cancelled = false;
  size_t cursor = 0;
  while (run.fileIndex < run.planned) {
    while (cursor < rows.size() && !rows[cursor].checked) ++cursor;
    if (cursor >= rows.size()) break;
    HandleFile(host, env, run, JoinPath(inputFolder, rows[cursor].name), rows[cursor].name);
    ++cursor;
    if (CancelRequested(host)) {
      cancelled = true;
      break;
    }
  }
  return FinishRun(host, run, cancelled);
}

bool ResolveFileListOutputFolder(const RunEnvironment& env, const std::vector<std::wstring>& paths,
                                 std::wstring& folder) {
  folder.clear();
  if (!env.outputFolderOverride.empty()) folder = env.outputFolderOverride;
  else if (!env.options->SdToPath.empty()) folder = env.options->SdToPath;
  else if (!paths.empty()) folder = ParentPath(paths.front());
  return IsExistingFolder(folder);
}

RunSummary RunFileListConversion(RunHost& host, RunEnvironment& env, const std::vector<std::wstring>& paths,
                                 RunSource source) {
  std::wstring outputFolder;
  if (source == RunSource::kDrop) {
    if (!host.RememberOutputFolder(outputFolder)) {
      host.ShowMessage(MessageCode::kInvalidOutput);
      return {};
    }
  } else if (!ResolveFileListOutputFolder(env, paths, outputFolder)) {
    host.ShowMessage(MessageCode::kInvalidOutput);
    return {};
  }
  ConversionRun run;
  run.planned = static_cast<int>(paths.size());
  if (!PrepareRun(host, env, run, outputFolder)) return {};
  bool cancelled = false;
  for (const std::wstring& path : paths) {
    if (run.fileIndex >= run.planned) break;
    HandleFile(host, env, run, path, LastPathComponent(path));
    if (CancelRequested(host)) {
      cancelled = true;
      break;
    }
  }
  return FinishRun(host, run, cancelled);
}

std::vector<std::wstring> CheckedInputPaths(const std::wstring& inputFolder, const std::vector<RunRow>& rows) {
  std::vector<std::wstring> paths;
  for (const RunRow& row : rows)
    if (row.checked) paths.push_back(JoinPath(inputFolder, row.name));
  return paths;
}

std::vector<NameCheckRow> ComputeNameListing(ConversionContext& ctx, const std::wstring& outputFolder,
                                             const std::vector<std::wstring>& inputPaths) {
  const ConversionParams& params = *ctx.params;
  const NamingRule rule = SelectNamingRule(params.NameSet);
  std::vector<std::wstring> names;
  for (const DirectoryEntry& entry : FindEntries(outputFolder, L".jpg")) names.push_back(entry.name);

  std::vector<NameCheckRow> listing;
  int32_t fileIndex = 0;
  for (const std::wstring& inputPath : inputPaths) {
    NameCheckRow row{inputPath, LastPathComponent(inputPath), std::wstring()};
    if (ReadExifDateOfFile(ctx, inputPath)) {
      NameSource source{row.inputName, fileIndex, &ctx.exifDateTime, ctx.exifDateFound == 1};
      std::wstring name = MakeOutputName(rule, params, source);
      if (ResolveCollisionInList(name, names)) {
        names.push_back(name);
        row.outputName = name;
        // Deleting inputs in their own folder frees each input's name for the files after it.
        if (params.IFileDel == 1 && NamesEqualIgnoringCase(ParentPath(inputPath), StripTrailingSeparator(outputFolder))) {
          for (std::wstring& entry : names) {
            if (!entry.empty() && NamesEqualIgnoringCase(entry, row.inputName)) {
              entry.clear();
              break;
            }
          }
        }
      }
    }
    listing.push_back(std::move(row));
    ++fileIndex;
  }
  return listing;
}

}  // namespace qv
