// Conversion runs: a request in (the inputs, the output folder, a copy of the parameters), reports out
// through an observer that the window, the command line and the tests implement. Each file is converted
// into a temporary file, named, copied to the output folder without ever replacing a file, and its
// input disposed of when asked. The front ends choose and check the inputs and folders; the run does
// the rest.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch/messages.h"
#include "batch/naming.h"
#include "batch/conversion_pipeline.h"
#include "engine/conversion.h"

namespace qv {

enum class FileStatus { kConverted, kNotJpeg, kDecodeFailed, kTooLarge, kEncodeFailed, kNameExhausted, kCopyFailed };

// A short stable name of a status ("converted", "not-a-jpeg", ...), used by the command line's report.
const char* FileStatusName(FileStatus status);

// What became of an input after its output was written.
enum class DisposalResult {
  kKept,     // removal not asked for (or the file was not converted)
  kRemoved,  // deleted, or moved to the recycle bin
  kFailed,   // removal asked for but refused (no recycle bin, permission, ...): the input is still there
  kChanged,  // removal asked for, but the file at the input's path is no longer the one converted (saved
             // anew, replaced, or an output of this run): it is kept, since the output does not show it
};

struct FileOutcome {
  std::wstring inputPath;
  std::wstring outputPath;  // empty unless converted
  FileStatus status = FileStatus::kConverted;
  int32_t fileIndex = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint64_t bytes = 0;
  int32_t quality = 0;
  std::wstring exifDate;  // the date text read under the date rule, else empty
  DisposalResult disposal = DisposalResult::kKept;
  PhotoResult photo;      // what the output kept of the input beyond the pixels (when converted)
  bool timeKept = false;  // the output was given the input's modification time
  std::wstring folder;    // the input's sub-folder of a tree run (relative; "" at the top)
};

struct RunSummary {
  int planned = 0;
  int written = 0;
  bool cancelled = false;
  bool started = false;  // false when the run stopped before converting (a message was shown)
  // What the run did beyond its results, for the tests and benchmarks that look at guarantees the
  // results cannot show: inputs converted again at their turn because they changed after a worker read
  // them, and the pipeline's own figures (all 0 for a run of one file at a time).
  int reconverted = 0;
  PipelineStatistics pipeline;
};

// One planned output name.
struct NameCheckRow {
  NameCheckRow() = default;
  NameCheckRow(std::wstring path, std::wstring name, std::wstring output, std::wstring sub = std::wstring())
      : inputPath(std::move(path)), inputName(std::move(name)), outputName(std::move(output)), folder(std::move(sub)) {}
  std::wstring inputPath;
  std::wstring inputName;
  std::wstring outputName;  // empty: the run would skip this input
  std::wstring folder;      // the input's sub-folder of a tree run, where the output goes too ("" at the top)
};

// One row of the input list as the window hands it over.
struct RunRow {
  RunRow() = default;
  RunRow(std::wstring rowName, bool isChecked, std::wstring sub = std::wstring())
      : name(std::move(rowName)), checked(isChecked), folder(std::move(sub)) {}
  std::wstring name;
  bool checked = true;
  std::wstring folder;  // of a list of a whole tree: the row's sub-folder, relative to the input folder
};

// Where the inputs of a run came from. Only front ends look at it: the run treats every source alike.
enum class RunSource { kFolder, kCommandLine, kDrop };

struct RunInput {
  RunInput() = default;
  RunInput(std::wstring fullPath, std::wstring listedName, std::wstring sub = std::wstring())
      : path(std::move(fullPath)), name(std::move(listedName)), folder(std::move(sub)) {}
  std::wstring path;  // full path
  std::wstring name;  // the name as listed; the naming rules use it
  // Of a run over a folder tree: the input's sub-folder relative to the listed folder. Its output goes
  // into the same sub-folder of the output folder (under the sub-folder of the parameters), made when
  // the first output needs it; names collide only within one output folder. "" at the top.
  std::wstring folder;
};

// Everything a run works with, decided by the front end before it starts. The run reads it and never
// looks at process-wide records, so that a run and a later change of the settings cannot meet.
struct RunRequest {
  std::vector<RunInput> inputs;  // in run order
  std::wstring outputFolder;     // an existing folder (checked by the front end), without the sub-folder
  ConversionParams params;       // in force for the whole run
  InputDisposal disposal = InputDisposal::kKeep;
  RunSource source = RunSource::kFolder;
  std::wstring tempFolder;  // where temporary files go (trailing separator); empty: the system's
  // Files converted at once. 1: one after the other on the caller's thread. More: as many worker threads
  // convert ahead of the run, with the same results (see ExecuteRun).
  int jobs = 1;
  // A stop that is already decided when it is set (the command line's interrupt), so that workers start
  // nothing more beyond the file whose turn it is; the run itself still stops through PollCancelRequest.
  // Null: none. Must outlive the run.
  const std::atomic<bool>* stopHint = nullptr;
};

bool operator==(const RunInput& a, const RunInput& b);
bool operator==(const RunRequest& a, const RunRequest& b);

// What a run tells its front end, and the two questions it asks. Implementations show and answer; they
// never validate, read settings or decide what the run does next.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // A run that cannot start: the sub-folder cannot be made, memory, nothing to convert.
  virtual void ShowMessage(MessageCode code) = 0;
  virtual void BeginRun(int planned) = 0;
  virtual void FileStarting(int index, const std::wstring& inputPath) = 0;
  virtual void FileDone(const FileOutcome& outcome) = 0;
  // Called every few tens of milliseconds while the run waits for a worker (for the file whose turn it
  // is, or for the conversions under way to end after a stop): a window keeps painting itself.
  virtual void KeepAlive() {}
  // Asked after each file: has the user asked to stop? Then ConfirmCancel asks whether to stop.
  virtual bool PollCancelRequest() = 0;
  virtual bool ConfirmCancel() = 0;
  // The run made this sub-folder (said before EndRun, also when the run removes it again, empty).
  virtual void AnnounceNewSubfolder(const std::wstring& folder) = 0;
  virtual void EndRun(const RunSummary& summary) = 0;
};

// The run: makes the sub-folder when it is in use and missing, makes the codec states (owned by the run),
// then for each input in order converts it into a temporary file, names it, copies it to the output
// folder without ever replacing a file, disposes of the input when asked, reports it and polls for a
// cancel request; then releases the states, removes a sub-folder it made and nothing went into, and
// reports the summary. A run that cannot start shows its message and returns a summary with started
// false (kNoFiles for a request without inputs, kFolderCreate, kMemory).
// With jobs above 1 the conversions run on worker threads ahead of the run (ConversionPipeline); the
// observer is still called only on the caller's thread, in the same order, with the same outcomes, and
// the same files are written under the same names as one file at a time. A cancel stops the run after
// the file whose turn it was; what the workers converted beyond it is deleted before EndRun.
// Inputs are recognised by the file they lead to, not by their spelling: a file given twice is converted
// the second time only at its turn. Before an output is placed, and again before its input is removed,
// the input must still be the file (and the version of it) that was converted: one saved anew in
// between is converted again at its turn, one changed after its output was placed is kept, and a path
// that leads to an output of this run is never removed. --keep-time gives the output the time of the
// version converted.
// An allocation that fails on the caller's thread stops the run: the conversions under way end, their
// temporary files are deleted, and std::bad_alloc reaches the caller, which says so.
RunSummary ExecuteRun(const RunRequest& request, RunObserver& observer);

// The file-name check and the dry run: the output name a run of `request` would give each input, with
// collisions against the names already in the output folder (with the sub-folder) and among the run's
// own outputs. An input that has vanished, or whose name suffixes are exhausted, gets an empty output
// name. Nothing is written. Empty when the Exif reader's state cannot be allocated.
std::optional<std::vector<NameCheckRow>> PlanOutputNames(const RunRequest& request);

// The inputs of the checked rows of `inputFolder`, in row order.
std::vector<RunInput> CheckedRunInputs(const std::wstring& inputFolder, const std::vector<RunRow>& rows);

// Paths as inputs named by their last component, in the same order.
std::vector<RunInput> RunInputsOf(const std::vector<std::wstring>& paths);

// The output folder of a run over given files that names none: the Send To folder when it is set, else
// the folder of the first input. The caller checks that it is an existing folder.
std::wstring DefaultOutputFolder(const std::wstring& sendToFolder, const std::vector<RunInput>& inputs);

// Removes an input after its output was written: to the recycle bin when `recycle`, else for good. An
// input that cannot be removed stays where it is and the result says kFailed.
DisposalResult DisposeInputFile(const std::wstring& path, bool recycle);

// The output folder of a run: `folder` with the sub-folder appended when it is in use.
std::wstring RunOutputFolder(const ConversionParams& params, const std::wstring& folder);

}  // namespace qv
