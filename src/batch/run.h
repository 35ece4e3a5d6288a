// Conversion runs: a folder run over the checked rows of the input list, or a file-list run over given
// paths. Each file is converted into a temporary file, named, copied to the output folder without ever
// replacing a file, and its input disposed of when asked. What needs a user interface goes through
// RunHost, which the window, the command line and the tests implement.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/messages.h"
#include "batch/naming.h"
#include "engine/conversion.h"
#include "settings/app_options.h"

namespace qv {

enum class FileStatus { kConverted, kNotJpeg, kDecodeFailed, kTooLarge, kEncodeFailed, kNameExhausted, kCopyFailed };

// A short stable name of a status ("converted", "not-a-jpeg", ...), used by the command line's report.
const char* FileStatusName(FileStatus status);

// What became of an input after its output was written.
enum class DisposalResult {
  kKept,     // removal not asked for (or the file was not converted)
  kRemoved,  // deleted, or moved to the recycle bin
  kFailed,   // removal asked for but refused (no recycle bin, permission, ...): the input is still there
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
};

struct RunSummary {
  int planned = 0;
  int written = 0;
  bool cancelled = false;
  bool started = false;  // false when the run stopped before converting (a message was shown)
};

// One row of the input list as the run sees it.
struct RunRow {
  std::wstring name;
  bool checked = true;
};

class RunHost {
 public:
  virtual ~RunHost() = default;
  virtual void ShowMessage(MessageCode code) = 0;

  // Folder runs: validate both folder fields (showing message 3 or 4 on failure), the change check of
  // the input folder (true = stop; the host reloaded its list), and the rows.
  virtual bool ValidateFolderFields(std::wstring& inputFolder, std::wstring& outputFolder) = 0;
  virtual bool InputFolderChangedStop() = 0;
  virtual std::vector<RunRow> Rows() = 0;
  // Drop runs: the output folder field, remembered; false when it is not a valid folder.
  virtual bool RememberOutputFolder(std::wstring& outputFolder) = 0;

  // Takes the values still held in controls into the parameters (quality, size bound, text fields).
  virtual void PrepareRunSettings(ConversionParams& params) { (void)params; }
  // Releases an input preview before a folder run.
  virtual void ReleaseInputPreview() {}

  virtual void BeginRun(int planned) = 0;  // progress range 0..planned, processing title
  virtual void FileStarting(int index, const std::wstring& inputPath) { (void)index, (void)inputPath; }
  virtual void FileDone(const FileOutcome& outcome) = 0;  // progress step
  virtual bool PollCancelRequest() = 0;
  virtual bool ConfirmCancel() = 0;
  virtual void AnnounceNewSubfolder(const std::wstring& folder) { (void)folder; }
  virtual void EndRun(const RunSummary& summary) = 0;  // progress 0, title, summary as EndMes says
};

enum class RunSource { kCommandLine = 0, kDrop = 1 };

// What a run works with: the process's parameters and options, and the engine's context.
struct RunEnvironment {
  ConversionParams* params = nullptr;
  AppOptions* options = nullptr;
  std::wstring outputFolderOverride;  // command line -o: replaces SdToPath and the inputs' folder
  std::wstring tempFolder;            // where temporary files go (trailing separator); empty: the system's
};

// The run over the checked rows of the input folder.
RunSummary RunFolderConversion(RunHost& host, RunEnvironment& env);

// The output folder of a command-line run over `paths`: the override, else SdToPath, else the folder of
// the first path. False when that is not an existing folder.
bool ResolveFileListOutputFolder(const RunEnvironment& env, const std::vector<std::wstring>& paths,
                                 std::wstring& folder);

// The run over `paths` in their order. Output folder: source kDrop the host's output folder field;
// source kCommandLine the override, else SdToPath, else the folder of the first path.
RunSummary RunFileListConversion(RunHost& host, RunEnvironment& env, const std::vector<std::wstring>& paths,
                                 RunSource source);

// Removes an input after its output was written: to the recycle bin when `recycle`, else for good. An
// input that cannot be removed stays where it is and the result says kFailed.
DisposalResult DisposeInputFile(const std::wstring& path, bool recycle);

// The file-name check: the output name that a run over `inputPaths` (in this order) would give each
// input, with collisions against the names already in `outputFolder` (which includes the sub-folder)
// and among the run's own outputs. An input that has vanished, or whose name suffixes are exhausted,
// gets an empty output name. Needs ctx.params and the Exif reader state.
struct NameCheckRow {
  std::wstring inputPath;
  std::wstring inputName;
  std::wstring outputName;  // empty: the run would skip this input
};
std::vector<NameCheckRow> ComputeNameListing(ConversionContext& ctx, const std::wstring& outputFolder,
                                             const std::vector<std::wstring>& inputPaths);

// The input paths of the checked rows of a folder run.
std::vector<std::wstring> CheckedInputPaths(const std::wstring& inputFolder, const std::vector<RunRow>& rows);

// The output folder of a run: `folder` with the sub-folder appended when it is in use.
std::wstring RunOutputFolder(const ConversionParams& params, const std::wstring& folder);

}  // namespace qv
