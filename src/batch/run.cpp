// Conversion runs and the planned names of the file-name check and the dry run.
#include "batch/run.h"

#include <cwctype>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <utility>

#include "batch/conversion_pipeline.h"
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

// Times an input that keeps changing is converted again at its turn before the run goes on with the
// last conversion (whose input it then keeps).
constexpr int kReconvertAttempts = 3;

// The state of one run. One file at a time the run converts with its own codec states; with several
// jobs the workers of the pipeline convert ahead of it, and the run's own states (made when first
// needed) convert again an input that changed after a worker read it.
struct ConversionRun {
  std::wstring outputFolder;  // with the sub-folder
  bool subFolderCreated = false;
  int planned = 0;
  int32_t fileIndex = 0;
  int written = 0;
  int reconverted = 0;
  NamingRule rule = NamingRule::kInputName;
  CodecStates states;
  ConversionContext ctx;
  std::unique_ptr<ConversionPipeline> pipeline;
  std::set<std::pair<uint64_t, uint64_t>> outputs;  // identities of the outputs written
  std::set<std::wstring> readyFolders;                // sub-folders of a tree run known to exist
  std::vector<std::wstring> madeFolders;              // sub-folders this run made, in the order made
};

// The output folder of an input: the run's, or its sub-folder of the same relative path.
std::wstring OutputFolderOf(const ConversionRun& run, const RunInput& input) {
  return input.folder.empty() ? run.outputFolder : JoinPath(run.outputFolder, input.folder);
}

// Makes the output sub-folder of a tree run's input, with the folders above it that are missing. False
// when one cannot be made.
bool MakeOutputFolder(ConversionRun& run, const RunInput& input) {
  if (input.folder.empty() || run.readyFolders.count(input.folder) != 0) return true;
  // From the top down: every prefix of the relative path that ends before a separator, then the whole.
  std::wstring relative;
  for (size_t at = 0; at <= input.folder.size(); ++at) {
    if (at < input.folder.size() && input.folder[at] != L'/' && input.folder[at] != L'\\') continue;
    relative = input.folder.substr(0, at);
    if (relative.empty() || run.readyFolders.count(relative) != 0) continue;
    const std::wstring path = JoinPath(run.outputFolder, relative);
    if (!IsExistingFolder(path)) {
      if (!CreateFolder(path)) return false;
      run.madeFolders.push_back(path);
    } else {
      RemoveAbandonedPrivateCopies(path);
    }
    run.readyFolders.insert(relative);
  }
  return true;
}

// Removes the sub-folders the run made that stayed empty (a copy failed), the deepest first.
void RemoveEmptyMadeFolders(ConversionRun& run) {
  for (auto it = run.madeFolders.rbegin(); it != run.madeFolders.rend(); ++it) RemoveEmptyFolder(*it);
  run.madeFolders.clear();
}

// A run that removes its inputs may meet an input again that it removed before (the same file given
// twice, under one spelling or two): such a file is converted only at its turn, when the earlier one is
// gone, as one file at a time would find it. Files are recognised by their identity; a path that leads
// to no file now is compared by its spelling, ignoring case, which may hold back a file needlessly but
// never lets one through early.
std::vector<ConversionPipeline::Input> PipelineInputs(const RunRequest& request) {
  std::vector<ConversionPipeline::Input> inputs;
  inputs.reserve(request.inputs.size());
  std::set<std::pair<uint64_t, uint64_t>> seenFiles;
  std::set<std::wstring> seenPaths;
  const bool removes = request.disposal != InputDisposal::kKeep;
  for (const RunInput& input : request.inputs) {
    bool again = false;
    if (removes) {
      const FileIdentity id = IdentifyFile(input.path);
      if (id.known) {
        again = !seenFiles.insert({id.volume, id.index}).second;
      } else {
        std::wstring key = input.path;
        for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        again = !seenPaths.insert(key).second;
      }
    }
    inputs.push_back({input.path, again});
  }
  return inputs;
}

// The codec states of a one-file-at-a-time run, or the workers of a parallel one.
bool PrepareConversion(const RunRequest& request, ConversionRun& run, const std::wstring& tempFolder) {
  run.ctx.params = &request.params;
  run.ctx.states = &run.states;
  run.ctx.tempFolder = tempFolder;
  if (request.jobs > 1 && request.inputs.size() > 1) {
    ConversionPipeline::Settings settings;
    settings.workers = request.jobs;
    settings.stopHint = request.stopHint;
    run.pipeline = std::make_unique<ConversionPipeline>(request.params, tempFolder, PipelineInputs(request), settings);
    return run.pipeline->Start();
  }
  if (!PrepareCodecStates(run.states)) {
    ReleaseCodecStates(run.states);
    return false;
  }
  return true;
}

void ReleaseConversion(ConversionRun& run, RunObserver* observer) {
  if (run.pipeline) {
    if (observer != nullptr) run.pipeline->Stop([observer] { observer->KeepAlive(); });
    else run.pipeline->Stop();
  }
  ReleaseCodecStates(run.states);
}

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
  // What a killed run was writing into this folder when it died never became an output.
  RemoveAbandonedPrivateCopies(run.outputFolder);
  if (!PrepareConversion(request, run, request.tempFolder.empty() ? TemporaryFolder() : request.tempFolder)) {
    ReleaseConversion(run, nullptr);
    run.pipeline.reset();
    if (run.subFolderCreated) RemoveEmptyFolder(run.outputFolder);
    observer.ShowMessage(MessageCode::kMemory);
    return false;
  }
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

// The conversion of the file whose turn it is, on the run's thread with the run's own states.
ConvertedFile ConvertAtTurn(ConversionRun& run, const std::wstring& path) {
  if (!run.states.decoder && !PrepareCodecStates(run.states)) {
    ReleaseCodecStates(run.states);
    ConvertedFile failed;
    failed.failure = ConversionFailure::kEncodeFailed;
    return failed;
  }
  return ConvertInput(run.ctx, path);
}

// The conversion of the file whose turn it is: the pipeline's, or the run's own. An input that is no
// longer the file (or the version) that a worker read is converted again now, as a run of one file at a
// time would find it.
ConvertedFile TakeConversion(RunObserver& observer, ConversionRun& run, const RunInput& input) {
  ConvertedFile converted = run.pipeline ? run.pipeline->Take(run.fileIndex, [&observer] { observer.KeepAlive(); })
                                         : ConvertInput(run.ctx, input.path);
  for (int again = 0; again < kReconvertAttempts; ++again) {
    if (!converted.ok || IsUnchangedFile(converted.input, IdentifyFile(input.path))) break;
    DeleteFileAt(converted.tempPath);
    converted = ConvertAtTurn(run, input.path);
    ++run.reconverted;
  }
  return converted;
}

// Removes the input when asked, but only while it is still the very file that was converted: one that
// changed since, or that is an output of this run, stays.
DisposalResult DisposeConvertedInput(const RunRequest& request, const ConversionRun& run, const std::wstring& path,
                                     const FileIdentity& converted) {
  if (request.disposal == InputDisposal::kKeep) return DisposalResult::kKept;
  const FileIdentity now = IdentifyFile(path);
  if (!IsUnchangedFile(converted, now) || run.outputs.count({now.volume, now.index}) != 0) return DisposalResult::kChanged;
  return DisposeInputFile(path, request.disposal == InputDisposal::kRecycle);
}

// Deletes a temporary result however the handling of its file ends.
struct TempFileGuard {
  const std::wstring& path;
  ~TempFileGuard() {
    if (!path.empty()) DeleteFileAt(path);
  }
};

// Converts (or takes the conversion of) the file whose turn it is, names it, copies it into the output
// folder and removes the input when asked; the temporary file is gone when this returns.
FileOutcome ConvertAndPlace(const RunRequest& request, RunObserver& observer, ConversionRun& run,
                            const RunInput& input) {
  const ConvertedFile converted = TakeConversion(observer, run, input);
  const TempFileGuard guard{converted.tempPath};
  FileOutcome outcome;
  outcome.inputPath = input.path;
  outcome.fileIndex = run.fileIndex;
  outcome.folder = input.folder;
  if (!converted.ok) {
    outcome.status = StatusOf(converted.failure);
  } else if (!MakeOutputFolder(run, input)) {
    outcome.status = FileStatus::kCopyFailed;
  } else {
    NameSource source{input.name, run.fileIndex, &converted.exifDateTime, converted.exifDateFound};
    std::wstring outputPath = MakeOutputPath(run.rule, request.params, source, OutputFolderOf(run, input));
    const CopyDurability durability =
        request.disposal == InputDisposal::kKeep ? CopyDurability::kCached : CopyDurability::kOnDisk;
    outcome.status = PlaceOutput(converted.tempPath, outputPath, durability);
    if (outcome.status == FileStatus::kConverted) {
      ++run.written;
      outcome.outputPath = outputPath;
      outcome.width = converted.width;
      outcome.height = converted.height;
      outcome.quality = converted.quality;
      outcome.photo = converted.photo;
      // The time of the version converted, whatever happens to the input afterwards.
      if (request.params.KeepTime == 1) outcome.timeKept = SetModificationTime(outputPath, converted.input);
      const FileIdentity output = IdentifyFile(outputPath);
      outcome.bytes = output.size;
      if (output.known) run.outputs.insert({output.volume, output.index});
      outcome.disposal = DisposeConvertedInput(request, run, input.path, converted.input);
    }
  }
  if (run.rule == NamingRule::kExifDate && converted.exifDateFound && IsUsableExifDate(converted.exifDateTime)) {
    for (int i = 0; i < 19; ++i) outcome.exifDate += static_cast<wchar_t>(converted.exifDateTime.text[i]);
  }
  return outcome;
}

// One file of the run, reported; always on the run's thread, in input order.
void HandleFile(const RunRequest& request, RunObserver& observer, ConversionRun& run, const RunInput& input) {
  observer.FileStarting(run.fileIndex, input.path);
  const FileOutcome outcome = ConvertAndPlace(request, observer, run, input);
  observer.FileDone(outcome);
  ++run.fileIndex;
}

bool CancelRequested(RunObserver& observer) { return observer.PollCancelRequest() && observer.ConfirmCancel(); }

RunSummary FinishRun(RunObserver& observer, ConversionRun& run, bool cancelled) {
  ReleaseConversion(run, &observer);
  RunSummary summary;
  if (run.pipeline) summary.pipeline = run.pipeline->Statistics();
  run.pipeline.reset();
  RemoveEmptyMadeFolders(run);
  if (run.subFolderCreated) {
    observer.AnnounceNewSubfolder(run.outputFolder);
    run.subFolderCreated = false;
    if (run.written == 0) RemoveEmptyFolder(run.outputFolder);
  }
  summary.planned = run.planned;
  summary.written = run.written;
  summary.cancelled = cancelled;
  summary.started = true;
  summary.reconverted = run.reconverted;
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

bool operator==(const RunInput& a, const RunInput& b) {
  return a.path == b.path && a.name == b.name && a.folder == b.folder;
}

bool operator==(const RunRequest& a, const RunRequest& b) {
  return a.inputs == b.inputs && a.outputFolder == b.outputFolder && a.params == b.params && a.disposal == b.disposal &&
         a.source == b.source && a.tempFolder == b.tempFolder && a.jobs == b.jobs && a.stopHint == b.stopHint;
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
  try {
    for (const RunInput& input : request.inputs) {
      HandleFile(request, observer, run, input);
      if (CancelRequested(observer)) {
        cancelled = true;
        break;
      }
    }
  } catch (const std::bad_alloc&) {
    // The workers end and their files go before the caller hears of it.
    ReleaseConversion(run, nullptr);
    run.pipeline.reset();
    RemoveEmptyMadeFolders(run);
    if (run.subFolderCreated && run.written == 0) RemoveEmptyFolder(run.outputFolder);
    throw;
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
  const std::wstring topFolder = RunOutputFolder(request.params, request.outputFolder);
  const bool freesInputNames = request.disposal != InputDisposal::kKeep;
  // The names taken in each output folder (of a tree run, one per sub-folder), read when first needed.
  std::map<std::wstring, std::vector<std::wstring>> namesByFolder;

  std::vector<NameCheckRow> listing;
  int32_t fileIndex = 0;
  for (const RunInput& input : request.inputs) {
    NameCheckRow row{input.path, input.name, std::wstring(), input.folder};
    const std::wstring outputFolder = input.folder.empty() ? topFolder : JoinPath(topFolder, input.folder);
    auto found = namesByFolder.find(input.folder);
    if (found == namesByFolder.end()) found = namesByFolder.emplace(input.folder, ExistingOutputNames(outputFolder)).first;
    std::vector<std::wstring>& names = found->second;
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
    if (row.checked) {
      const std::wstring folder = row.folder.empty() ? inputFolder : JoinPath(inputFolder, row.folder);
      inputs.push_back({JoinPath(folder, row.name), row.name, row.folder});
    }
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
