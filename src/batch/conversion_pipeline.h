// The part of a run that may overlap: converting inputs into temporary files on worker threads, several
// files ahead of the run, each worker with codec states of its own. Everything that names, copies or
// removes files stays with the run, which takes the conversions one after the other in input order; this
// file never looks at output names or at the user's folders.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/conversion.h"

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
};

// Converts `inputPath` with the states and parameters of `ctx` (ConvertFileToTemp), starting from a
// clean date so that nothing of an earlier file is reported for this one.
ConvertedFile ConvertInput(ConversionContext& ctx, const std::wstring& inputPath);

// Lets ordinary conversions run side by side and a retried one run alone.
class ConversionGate {
 public:
  void EnterShared();
  void LeaveShared();
  // Waits until no other conversion runs and keeps new ones from starting until LeaveAlone.
  void EnterAlone();
  void LeaveAlone();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int shared_ = 0;
  bool alone_ = false;
};

// The workers of one parallel run. The run calls Take(0), Take(1), … in order; the workers convert
// those files ahead of it, at most `workers` at a time and never more than a few finished files waiting
// for their turn (each holds a temporary file), so that memory and disk stay bounded whatever the input.
//
// A result never depends on the overlap:
// - each worker's decoder gets an equal share of the memory limit a single decode would have; a decode
//   or encode that fails under the share is tried again alone with the full limit, so a file that fits
//   the machine converts as it would one file at a time;
// - an input that a run removes and that comes again later in the same run is converted only when its
//   turn comes, after the earlier one was handled.
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
    // What one decode may use when it runs alone; 0: the decoder's default share of the machine.
    uint64_t memoryLimit = 0;
  };

  // Nothing runs before Start. `params` and the stop hint must outlive the pipeline.
  ConversionPipeline(const ConversionParams& params, std::wstring tempFolder, std::vector<Input> inputs,
                     const Settings& settings);
  ~ConversionPipeline();
  ConversionPipeline(const ConversionPipeline&) = delete;
  ConversionPipeline& operator=(const ConversionPipeline&) = delete;

  // Makes the codec states and starts the workers. False when no worker could be given its states or
  // thread (nothing runs then).
  bool Start();

  // The conversion of file `index`, waiting for it when it is not finished yet. Call with 0, 1, 2, …;
  // the caller owns the temporary file of the result.
  ConvertedFile Take(int index);

  // Abandons the files ahead: lets the conversions under way end, waits for the workers, deletes every
  // temporary file not taken and releases the states. Also done by the destructor.
  void Stop();

  // The files converted but not taken yet never exceed this (a test looks).
  int MaxFinishedWaiting() const { return maxWaiting_; }
  int PeakFinishedWaiting() const;

 private:
  enum class Slot : uint8_t { kPending, kReady, kTaken };
  struct Worker {
    CodecStates states;
    ConversionContext ctx;
    std::thread thread;
  };

  void Work(Worker& worker);
  bool MayStart(int index) const;  // with mutex_ held
  ConvertedFile Convert(Worker& worker, int index);

  const ConversionParams& params_;
  const std::wstring tempFolder_;
  const std::vector<Input> inputs_;
  const int requestedWorkers_;
  const int maxWaiting_;
  const std::atomic<bool>* stopHint_;
  uint64_t fullMemoryLimit_;
  std::vector<std::unique_ptr<Worker>> workers_;
  ConversionGate gate_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<ConvertedFile> results_;
  std::vector<Slot> slots_;
  int next_ = 0;     // the next file a worker starts
  int turn_ = 0;     // the file the run waits for or handles; all before it are handled
  int running_ = 0;  // under way
  int waiting_ = 0;  // converted, not taken
  int peakWaiting_ = 0;
  bool stop_ = false;
};

}  // namespace qv
