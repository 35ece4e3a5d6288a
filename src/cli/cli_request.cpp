// Building the command line's run request.
#include "cli/cli_request.h"

#include "batch/input_listing.h"
#include "platform/files.h"
#include "platform/system_folders.h"

namespace qv::cli {

namespace {

void ExpandInputs(const std::vector<std::wstring>& given, int32_t hiddenMask, bool recursive, CliRun& run) {
  for (const std::wstring& arg : given) {
    const std::wstring path = AbsolutePath(arg);
    if (IsExistingFolder(path)) {
      for (const InputRow& row : recursive ? ListInputTree(path, hiddenMask) : ListInputFolder(path, hiddenMask)) {
        const std::wstring folder = row.folder.empty() ? path : JoinPath(path, row.folder);
        const std::wstring shownFolder = row.folder.empty() ? arg : JoinPath(arg, row.folder);
        run.request.inputs.push_back({JoinPath(folder, row.name), row.name, row.folder});
        run.shown.push_back(JoinPath(shownFolder, row.name));
      }
    } else if (IsRegularFile(path)) {
      run.request.inputs.push_back({path, LastPathComponent(path)});
      run.shown.push_back(arg);
    } else {
      run.problems.push_back({PathExists(path) ? CliMessage::kNotRegularFile : CliMessage::kNoSuchPath, arg, {}});
    }
  }
}

// The output folder; a problem naming where it came from when it is unusable.
bool ChooseOutputFolder(const CliOptions& options, const AppOptions& appOptions, CliRun& run) {
  RunRequest& request = run.request;
  request.outputFolder = options.outputFolder.empty() ? DefaultOutputFolder(appOptions.SdToPath, request.inputs)
                                                      : AbsolutePath(options.outputFolder);
  if (IsExistingFolder(request.outputFolder)) return true;
  Problem problem{
      PathExists(request.outputFolder) ? CliMessage::kNotAFolder : CliMessage::kNoSuchFolder, request.outputFolder, {}};
  if (!options.outputFolder.empty())
    problem.subject = L"-o " + options.outputFolder;
  else if (!appOptions.SdToPath.empty())
    problem.subject = L"SdToPath " + request.outputFolder;
  run.problems.push_back(problem);
  return false;
}

}  // namespace

bool BuildCliRequest(const CliOptions& options, const ConversionParams& params, const AppOptions& appOptions,
                     CliRun& run) {
  run = CliRun{};
  run.request.params = params;
  run.request.disposal = DisposalOf(params);
  run.request.source = RunSource::kCommandLine;
  run.request.jobs = options.jobs ? *options.jobs : ProcessorCount();
  ExpandInputs(options.paths, appOptions.Hidden, options.recursive, run);
  if (run.request.inputs.empty()) {
    if (run.problems.empty()) run.problems.push_back({CliMessage::kNothingToConvert, {}, {}});
    return false;
  }
  return ChooseOutputFolder(options, appOptions, run);
}

}  // namespace qv::cli
