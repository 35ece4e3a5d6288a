// Conversion runs and the planned names of the file-name check and the dry run.
#include "batch/run.h"

#include <new>

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

// The state of one run.
struct ConversionRun {
  std::wstring outputFolder;  // with the sub-folder
  bool subFolderCreated = false;
  int planned = 0;
  int32_t fileIndex = 0;
  int written = 0;
  NamingRule rule = NamingRule::kInputName;
  CodecStates states;
  ConversionContext ctx;
};

// The sub-folder and the codec states. False when the run cannot start (the message has been shown).
bool PrepareRun(const RunRequest& request, RunObserver& observer, ConversionRun& run) {
  run.rule = SelectNamingRule(request.params.NameSet);
  run.outputFolder = RunOutputFolder(request.params, request.outputFolder);
  if (run.outputFolder != request.outputFolder && !IsExistingFolder(run.outputFolder)) {
    if (!CreateFolder(run.outputFolder)) {
      observer.ShowMessage(MessageCode::kFolderCreate);
      return false;
    }
    run.subFolderCreated = true;
  }
  if (!PrepareCodecStates(run.states)) {
    ReleaseCodecStates(run.states);
    if (run.subFolderCreated) RemoveEmptyFolder(run.outputFolder);
    observer.ShowMessage(MessageCode::kMemory);
    return false;
  }
  run.ctx.params = &request.params;
  run.ctx.states = &run.states;
  run.ctx.tempFolder = request.tempFolder.empty() ? TemporaryFolder() : request.tempFolder;
  observer.BeginRun(run.planned);
  return true;
}

// Copies the temporary result to the output name, never replacing a file: when the name was taken
// between the check and the copy, the collision is resolved again. An output whose input is removed
// next is flushed to the disk first.
FileStatus PlaceOutput(const std::wstring& tempPath, std::wstring& outputPath, CopyDurability durability) {
  const std::wstring firstChoice = outputPath;
  for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
    outputPath = firstChoice;
    if (!ResolveCollisionOnDisk(outputPath)) return FileStatus::kNameExhausted;
    switch (CopyFileNoReplace(tempPath, outputPath, durability)) {
      case CopyResult::kCopied: return FileStatus::kConverted;
      case CopyResult::kFailed: return FileStatus::kCopyFailed;
      case CopyResult::kTargetExists: break;
    }
  }
  return FileStatus::kCopyFailed;
}

void HandleFile(const RunRequest& request, RunObserver& observer, ConversionRun& run, const RunInput& input) {
  observer.FileStarting(run.fileIndex, input.path);
  // Nothing of the previous file may be reported for this one: a missing input fails before the engine
  // touches the date.
  run.ctx.exifDateFound = 0;
  run.ctx.exifDateTime = ExifDateTime{};
  FileOutcome outcome;
  outcome.inputPath = input.path;
  outcome.fileIndex = run.fileIndex;
  std::wstring tempPath;
  if (!ConvertFileToTemp(run.ctx, input.path, tempPath)) {
    outcome.status = StatusOf(run.ctx.lastFailure);
  } else {
    NameSource source{input.name, run.fileIndex, &run.ctx.exifDateTime, run.ctx.exifDateFound == 1};
    std::wstring outputPath = MakeOutputPath(run.rule, request.params, source, run.outputFolder);
    const CopyDurability durability =
        request.disposal == InputDisposal::kKeep ? CopyDurability::kCached : CopyDurability::kOnDisk;
    outcome.status = PlaceOutput(tempPath, outputPath, durability);
    if (outcome.status == FileStatus::kConverted) {
      ++run.written;
      outcome.outputPath = outputPath;
      outcome.width = run.ctx.loaded.width;
      outcome.height = run.ctx.loaded.height;
      outcome.quality = run.ctx.writtenQuality;
      MappedInputFile probe;
      outcome.bytes = MapInputFile(outputPath, probe);
      UnmapInputFile(probe);
      if (request.disposal != InputDisposal::kKeep)
        outcome.disposal = DisposeInputFile(input.path, request.disposal == InputDisposal::kRecycle);
    }
    DeleteFileAt(tempPath);
  }
  if (run.rule == NamingRule::kExifDate && run.ctx.exifDateFound == 1 && IsUsableExifDate(run.ctx.exifDateTime)) {
    for (int i = 0; i < 19; ++i) outcome.exifDate += static_cast<wchar_t>(run.ctx.exifDateTime.text[i]);
  }
  observer.FileDone(outcome);
  ++run.fileIndex;
}

bool CancelRequested(RunObserver& observer) { return observer.PollCancelRequest() && observer.ConfirmCancel(); }

RunSummary FinishRun(RunObserver& observer, ConversionRun& run, bool cancelled) {
  ReleaseCodecStates(run.states);
  if (run.subFolderCreated) {
    observer.AnnounceNewSubfolder(run.outputFolder);
    run.subFolderCreated = false;
    if (run.written == 0) RemoveEmptyFolder(run.outputFolder);
  }
  RunSummary summary;
  summary.planned = run.planned;
  summary.written = run.written;
  summary.cancelled = cancelled;
  summary.started = true;
  observer.EndRun(summary);
  return summary;
}

// The names already in `folder` that an output could collide with.
std::vector<std::wstring> ExistingOutputNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  for (const DirectoryEntry& entry : FindEntries(folder, L".jpg")) names.push_back(entry.name);
  return names;
}

// Deleting inputs in their own folder frees each input's name for the files after it.
void FreeInputName(std::vector<std::wstring>& names, const std::wstring& inputName) {
  for (std::wstring& entry : names) {
    if (!entry.empty() && NamesEqualIgnoringCase(entry, inputName)) {
      entry.clear();
      return;
    }
  }
}

}  // namespace

bool operator==(const RunInput& a, const RunInput& b) { return a.path == b.path && a.name == b.name; }

bool operator==(const RunRequest& a, const RunRequest& b) {
  return a.inputs == b.inputs && a.outputFolder == b.outputFolder && a.params == b.params && a.disposal == b.disposal &&
         a.source == b.source && a.tempFolder == b.tempFolder;
}

RunSummary ExecuteRun(const RunRequest& request, RunObserver& observer) {
  if (request.inputs.empty()) {
    observer.ShowMessage(MessageCode::kNoFiles);
    return {};
  }
  ConversionRun run;
  run.planned = static_cast<int>(request.inputs.size());
  if (!PrepareRun(request, observer, run)) return {};
  bool cancelled = false;
  for (const RunInput& input : request.inputs) {
    HandleFile(request, observer, run, input);
    if (CancelRequested(observer)) {
      cancelled = true;
      break;
    }
  }
  return FinishRun(observer, run, cancelled);
}

std::optional<std::vector<NameCheckRow>> PlanOutputNames(const RunRequest& request) {
  // Only the Exif reader is needed: nothing is decoded or encoded here.
  CodecStates states;
  states.exifReader.reset(new (std::nothrow) ExifReaderState);
  if (!states.exifReader) return std::nullopt;
  ConversionContext ctx;
  ctx.params = &request.params;
  ctx.states = &states;
  const NamingRule rule = SelectNamingRule(request.params.NameSet);
  const std::wstring outputFolder = RunOutputFolder(request.params, request.outputFolder);
  const bool freesInputNames = request.disposal != InputDisposal::kKeep;
  std::vector<std::wstring> names = ExistingOutputNames(outputFolder);

  std::vector<NameCheckRow> listing;
  int32_t fileIndex = 0;
  for (const RunInput& input : request.inputs) {
    NameCheckRow row{input.path, input.name, std::wstring()};
    if (ReadExifDateOfFile(ctx, input.path)) {
      NameSource source{input.name, fileIndex, &ctx.exifDateTime, ctx.exifDateFound == 1};
      std::wstring name = MakeOutputName(rule, request.params, source);
      if (ResolveCollisionInList(name, names)) {
        names.push_back(name);
        row.outputName = name;
        if (freesInputNames && NamesEqualIgnoringCase(ParentPath(input.path), StripTrailingSeparator(outputFolder)))
          FreeInputName(names, input.name);
      }
    }
    listing.push_back(std::move(row));
    ++fileIndex;
  }
  return listing;
}

std::vector<RunInput> CheckedRunInputs(const std::wstring& inputFolder, const std::vector<RunRow>& rows) {
  std::vector<RunInput> inputs;
  for (const RunRow& row : rows)
    if (row.checked) inputs.push_back({JoinPath(inputFolder, row.name), row.name});
  return inputs;
}

std::vector<RunInput> RunInputsOf(const std::vector<std::wstring>& paths) {
  std::vector<RunInput> inputs;
  inputs.reserve(paths.size());
  for (const std::wstring& path : paths) inputs.push_back({path, LastPathComponent(path)});
  return inputs;
}

std::wstring DefaultOutputFolder(const std::wstring& sendToFolder, const std::vector<RunInput>& inputs) {
  if (!sendToFolder.empty()) return sendToFolder;
  return inputs.empty() ? std::wstring() : ParentPath(inputs.front().path);
}

}  // namespace qv
