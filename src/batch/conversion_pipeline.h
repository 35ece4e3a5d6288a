// The part of a run that may overlap: converting inputs into temporary files on worker threads, several
// files ahead of the run, each worker with codec states of its own. Everything that names, copies or
// removes files stays with the run, which takes the conversions one after the other in input order; this
// file never looks at output names or at the user's folders.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/conversion.h"
#include "platform/thread.h"

namespace qv {

// What converting one input gave: a temporary file to place, or why there is none.
struct ConvertedFile {
  bool ok = false;
  ConversionFailure failure = ConversionFailure::kNone;
  std::wstring tempPath;  // the temporary output when ok; whoever takes the result deletes it
  int32_t width = 0;
  int32_t height = 0;
  int32_t quality = 0;
  ExifDateTime exifDateTime;  // read during the conversion when the naming rule needs it
  bool exifDateFound = false;
  PhotoResult photo;  // what the output kept of the input beyond the pixels
  FileIdentity input;  // the file that was read, and its version (size, last write time)
};

// Converts `inputPath` with the states and parameters of `ctx` (ConvertFileToTemp), starting from a
// clean date so that nothing of an earlier file is reported for this one. A failed allocation is a
// failed encode: nothing is thrown.
ConvertedFile ConvertInput(ConversionContext& ctx, const std::wstring& inputPath);

// A failure that may come from sharing the machine with other conversions (memory, a temporary folder
// filled by them) rather than from the file.
inline bool MayDependOnOthers(ConversionFailure failure) {
  return failure == ConversionFailure::kDecodeFailed || failure == ConversionFailure::kEncodeFailed;
}

// What a pipeline did, for the tests and benchmarks that look at guarantees the results cannot show.
struct PipelineStatistics {
  int conversions = 0;        // conversions started, retries included
  int convertedAhead = 0;     // conversions started for a file beyond the one whose turn it was
  int retriedAlone = 0;       // failed conversions tried again alone at their turn
  int dropped = 0;            // finished files deleted before a retry alone, converted again after it
  int peakConverting = 0;     // most conversions under way at once
  uint64_t peakReservedBytes = 0;  // most memory the conversions under way had reserved at once
};

// The workers of one parallel run. The run calls Take(0), Take(1), … in order; the workers convert
// those files ahead of it, never more than a few finished files waiting for their turn (each holds a
// temporary file), so that disk use stays bounded whatever the input.
//
// A result never depends on the overlap:
// - the run has one memory budget (what one decode may use alone); a file starts only when the memory
//   its header says it needs fits what the conversions under way leave of it (a file that needs more
//   waits until it is alone); each decode has the limit it would have alone;
// - a conversion that fails in a way that may come from the others (memory, temporary space) is tried
//   again at its turn on the caller's thread, alone: the workers end (their stacks and states go), the
//   files converted ahead are deleted (and converted again after it) and freed memory goes back to the
//   system, as in a run of one file at a time; then new workers go on;
// - an input marked to wait for its turn (one the run may remove before it comes again) is converted
//   only when every earlier file was handled.
class ConversionPipeline {
 public:
  struct Input {
    std::wstring path;
    bool waitsForTurn = false;  // converted only once every earlier file was handled
  };
  struct Settings {
    int workers = 2;
    // A request to stop that is already decided (the command line's interrupt): once it is set, no file
    // beyond the one whose turn it is is started. Null: none.
    const std::atomic<bool>* stopHint = nullptr;
    // The run's memory budget, which is also what one decode may use; 0: the decoder's default share of
    // the machine.
    uint64_t memoryLimit = 0;
    // For tests: asked before each attempt at file `index` (attempt 0, then 1 for the retry alone); true
    // makes that attempt fail as if the temporary folder were full, without converting.
    std::function<bool(int index, int attempt)> failAttemptForTesting;
  };

  // Nothing runs before Start. `params` and the stop hint must outlive the pipeline.
  ConversionPipeline(const ConversionParams& params, std::wstring tempFolder, std::vector<Input> inputs,
                     Settings settings);
  ~ConversionPipeline();
  ConversionPipeline(const ConversionPipeline&) = delete;
  ConversionPipeline& operator=(const ConversionPipeline&) = delete;

  // Makes the codec states and starts the workers. False when no worker could be given its states or
  // thread (nothing runs then).
  bool Start();

  // The conversion of file `index`, waiting for it when it is not finished yet (and converting it here
  // when it is to be tried again alone); while waiting, `whileWaiting` (when given) is called every few
  // tens of milliseconds. Call with 0, 1, 2, …; the caller owns the temporary file of the result.
  ConvertedFile Take(int index, const std::function<void()>& whileWaiting = {});

  // Abandons the files ahead: lets the conversions under way end (calling `whileWaiting` meanwhile, when
  // given), waits for the workers, deletes every temporary file not taken and releases the states. Also
  // done by the destructor.
  void Stop(const std::function<void()>& whileWaiting = {});

  // The files converted but not taken yet never exceed this (a test looks).
  int MaxFinishedWaiting() const { return maxWaiting_; }
  int PeakFinishedWaiting() const;
  uint64_t MemoryBudget() const { return budget_; }
  PipelineStatistics Statistics() const;

 private:
  enum class Slot : uint8_t { kPending, kReady, kRetry, kTaken };
  struct Worker {
    CodecStates states;
    ConversionContext ctx;
    WorkerThread thread;
  };

  void Work(Worker& worker);
  // With mutex_ held:
  int NextIndex() const;  // the lowest file not claimed yet, or the count when none is left
  bool MayClaim(int index) const;
  bool MayConvert(int index, uint64_t need) const;
  void DropFinished();
  // Without it:
  ConvertedFile Convert(ConversionContext& ctx, int index, int attempt);
  void EndWorkers(const std::function<void()>& whileWaiting);
  ConvertedFile RetryAlone(int index, const std::function<void()>& whileWaiting);
  template <typename Done>
  void WaitCalling(std::unique_lock<std::mutex>& lock, const std::function<void()>& whileWaiting, Done done);

  const ConversionParams& params_;
  const std::wstring tempFolder_;
  const std::vector<Input> inputs_;
  const int requestedWorkers_;
  const int maxWaiting_;
  const std::atomic<bool>* stopHint_;
  const uint64_t decodeLimit_;  // each decoder's own limit (0: the default)
  const uint64_t budget_;
  const std::function<bool(int, int)> failAttempt_;
  std::vector<std::unique_ptr<Worker>> workers_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<ConvertedFile> results_;
  std::vector<Slot> slots_;
  std::vector<char> claimed_;           // a worker has taken the file on (cleared when it is dropped)
  std::vector<int> waitingForMemory_;   // claimed files waiting for room in the budget (capacity: workers)
  int next_ = 0;         // every file below it was claimed once; dropped ones are claimed again
  int turn_ = 0;         // the file the run waits for or handles; all before it are handled
  int inFlight_ = 0;     // claimed, not finished
  int converting_ = 0;   // converting now (with memory reserved)
  int waiting_ = 0;      // converted, not taken
  int peakWaiting_ = 0;
  int exited_ = 0;       // workers that have left their loop
  uint64_t reserved_ = 0;
  bool stop_ = false;
  PipelineStatistics stats_;
};

}  // namespace qv
