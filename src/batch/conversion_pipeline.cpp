// Worker threads converting a run's inputs ahead of it within one memory budget, and the retry alone of a
// conversion that failed beside the others.
#include "batch/conversion_pipeline.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <system_error>
#include <utility>

#include "engine/decoder.h"
#include "engine/memory_estimate.h"
#include "platform/files.h"

namespace qv {

ConvertedFile ConvertInput(ConversionContext& ctx, const std::wstring& inputPath) {
  ConvertedFile result;
  try {
    ctx.exifDateFound = 0;
    ctx.exifDateTime = ExifDateTime{};
    result.ok = ConvertFileToTemp(ctx, inputPath, result.tempPath);
    result.failure = ctx.lastFailure;
  } catch (const std::bad_alloc&) {
    // Before the conversion made its temporary file (a path, the probe): nothing to remove.
    ReleaseLoadedPixels(ctx);
    result = ConvertedFile{};
    result.failure = ConversionFailure::kEncodeFailed;
    return result;
  }
  result.input = ctx.inputIdentity;
  if (result.ok) {
    result.width = ctx.loaded.width;
    result.height = ctx.loaded.height;
    result.quality = ctx.writtenQuality;
    result.photo = ctx.photo;
  }
  result.exifDateTime = ctx.exifDateTime;
  result.exifDateFound = ctx.exifDateFound == 1;
  return result;
}

namespace {

// Files converted or under way ahead of the run beyond one per worker.
constexpr int kExtraFinishedWaiting = 2;
constexpr std::chrono::milliseconds kCallbackInterval(40);

}  // namespace

ConversionPipeline::ConversionPipeline(const ConversionParams& params, std::wstring tempFolder,
                                       std::vector<Input> inputs, Settings settings)
    : params_(params),
      tempFolder_(std::move(tempFolder)),
      inputs_(std::move(inputs)),
      requestedWorkers_(std::max(1, settings.workers)),
      maxWaiting_(requestedWorkers_ + kExtraFinishedWaiting),
      stopHint_(settings.stopHint),
      decodeLimit_(settings.memoryLimit),
      budget_(static_cast<uint64_t>(LibraryMemoryLimit(settings.memoryLimit, PhysicalMemoryBytes()))),
      failAttempt_(std::move(settings.failAttemptForTesting)),
      results_(inputs_.size()),
      slots_(inputs_.size(), Slot::kPending),
      claimed_(inputs_.size(), 0) {
  waitingForMemory_.reserve(static_cast<size_t>(requestedWorkers_));
}

ConversionPipeline::~ConversionPipeline() { Stop(); }

bool ConversionPipeline::Start() {
  for (int i = 0; i < requestedWorkers_; ++i) {
    auto worker = std::make_unique<Worker>();
    if (!PrepareCodecStates(worker->states)) {
      ReleaseCodecStates(worker->states);
      break;
    }
    worker->states.decoder->memoryLimit = decodeLimit_;
    worker->ctx.params = &params_;
    worker->ctx.states = &worker->states;
    worker->ctx.tempFolder = tempFolder_;
    Worker& w = *worker;
    try {
      w.thread = std::thread([this, &w] { Work(w); });
    } catch (const std::system_error&) {
      ReleaseCodecStates(worker->states);
      break;
    }
    workers_.push_back(std::move(worker));
  }
  return !workers_.empty();
}

int ConversionPipeline::NextIndex() const {
  // A file dropped before a retry alone is claimed again before any new one.
  for (int i = turn_; i < next_; ++i)
    if (slots_[static_cast<size_t>(i)] == Slot::kPending && claimed_[static_cast<size_t>(i)] == 0) return i;
  return next_;
}

bool ConversionPipeline::MayClaim(int index) const {
  if (alone_) return false;
  if (index > turn_ && stopHint_ != nullptr && stopHint_->load()) return false;
  if (inputs_[static_cast<size_t>(index)].waitsForTurn && index != turn_) return false;
  // Files under way count too: each of them will wait once it is done. The file whose turn it is may
  // always go.
  return index == turn_ || waiting_ + inFlight_ < maxWaiting_;
}

bool ConversionPipeline::MayConvert(int index, uint64_t need) const {
  if (alone_) return false;
  // Files wait for memory in input order: a large one is not passed over for ever by small ones.
  if (*std::min_element(waitingForMemory_.begin(), waitingForMemory_.end()) != index) return false;
  return converting_ == 0 || (reserved_ <= budget_ && need <= budget_ - reserved_);
}

void ConversionPipeline::Work(Worker& worker) {
  const int count = static_cast<int>(inputs_.size());
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || NextIndex() >= count || MayClaim(NextIndex()); });
    if (stop_ || NextIndex() >= count) break;
    const int index = NextIndex();
    if (index == next_) ++next_;
    claimed_[static_cast<size_t>(index)] = 1;
    ++inFlight_;
    lock.unlock();
    uint64_t need = 0;
    try {
      need = EstimateConversionMemory(inputs_[static_cast<size_t>(index)].path, params_);
    } catch (const std::bad_alloc&) {
      need = budget_;  // unknown: as if it needed everything, so it converts alone
    }
    lock.lock();
    waitingForMemory_.push_back(index);
    const auto abandoned = [&] { return index > turn_ && stopHint_ != nullptr && stopHint_->load(); };
    changed_.wait(lock, [&] { return stop_ || abandoned() || MayConvert(index, need); });
    waitingForMemory_.erase(std::find(waitingForMemory_.begin(), waitingForMemory_.end(), index));
    if (stop_ || abandoned()) {
      // Given back: the run stops before it, or comes to it and converts it then.
      claimed_[static_cast<size_t>(index)] = 0;
      --inFlight_;
      changed_.notify_all();
      if (stop_) break;
      continue;
    }
    reserved_ += need;
    ++converting_;
    ++stats_.conversions;
    stats_.peakConverting = std::max(stats_.peakConverting, converting_);
    stats_.peakReservedBytes = std::max(stats_.peakReservedBytes, reserved_);
    lock.unlock();
    ConvertedFile result = Convert(worker, index, 0);
    // What this file freed goes back to the system, so that memory kept for reuse never adds to what
    // the budget lets the files under way hold.
    ReturnFreedMemory();
    lock.lock();
    reserved_ -= need;
    --converting_;
    changed_.notify_all();
    if (!result.ok && MayDependOnOthers(result.failure)) result = RetryAlone(worker, index, lock, std::move(result));
    --inFlight_;
    results_[static_cast<size_t>(index)] = std::move(result);
    slots_[static_cast<size_t>(index)] = Slot::kReady;
    peakWaiting_ = std::max(peakWaiting_, ++waiting_);
    changed_.notify_all();
  }
  ++exited_;
  changed_.notify_all();
}

ConvertedFile ConversionPipeline::Convert(Worker& worker, int index, int attempt) {
  if (failAttempt_ && failAttempt_(index, attempt)) {
    ConvertedFile failed;
    failed.failure = ConversionFailure::kEncodeFailed;
    return failed;
  }
  return ConvertInput(worker.ctx, inputs_[static_cast<size_t>(index)].path);
}

void ConversionPipeline::DropFinished(int except) {
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (static_cast<int>(i) == except || slots_[i] != Slot::kReady) continue;
    if (results_[i].ok) DeleteFileAt(results_[i].tempPath);
    results_[i] = ConvertedFile{};
    slots_[i] = Slot::kPending;
    claimed_[i] = 0;
    --waiting_;
    ++stats_.dropped;
  }
}

ConvertedFile ConversionPipeline::RetryAlone(Worker& worker, int index, std::unique_lock<std::mutex>& lock,
                                             ConvertedFile failed) {
  // At its turn the run has placed every earlier file and holds nothing more; then nothing else may
  // convert, and what was converted ahead goes, so that the file meets the machine as it would alone.
  changed_.wait(lock, [&] { return stop_ || (turn_ == index && !alone_); });
  if (stop_) return failed;
  alone_ = true;
  changed_.wait(lock, [&] { return converting_ == 0; });
  DropFinished(index);
  ++stats_.retriedAlone;
  ++stats_.conversions;
  lock.unlock();
  ReturnFreedMemory();
  ConvertedFile result = Convert(worker, index, 1);
  lock.lock();
  alone_ = false;
  changed_.notify_all();
  return result;
}

template <typename Done>
void ConversionPipeline::WaitCalling(std::unique_lock<std::mutex>& lock, const std::function<void()>& whileWaiting,
                                     Done done) {
  if (!whileWaiting) {
    changed_.wait(lock, done);
    return;
  }
  while (!changed_.wait_for(lock, kCallbackInterval, done)) {
    lock.unlock();
    whileWaiting();
    lock.lock();
  }
}

ConvertedFile ConversionPipeline::Take(int index, const std::function<void()>& whileWaiting) {
  std::unique_lock<std::mutex> lock(mutex_);
  turn_ = index;
  changed_.notify_all();
  const size_t i = static_cast<size_t>(index);
  WaitCalling(lock, whileWaiting, [&] { return slots_[i] == Slot::kReady; });
  slots_[i] = Slot::kTaken;
  --waiting_;
  changed_.notify_all();
  return std::move(results_[i]);
}

void ConversionPipeline::Stop(const std::function<void()>& whileWaiting) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    stop_ = true;
    changed_.notify_all();
    const int started = static_cast<int>(workers_.size());
    WaitCalling(lock, whileWaiting, [&] { return exited_ >= started; });
  }
  for (const std::unique_ptr<Worker>& worker : workers_)
    if (worker->thread.joinable()) worker->thread.join();
  for (size_t i = 0; i < results_.size(); ++i) {
    if (slots_[i] == Slot::kReady && results_[i].ok) DeleteFileAt(results_[i].tempPath);
    slots_[i] = Slot::kTaken;
  }
  waiting_ = 0;
  exited_ = 0;
  for (const std::unique_ptr<Worker>& worker : workers_) ReleaseCodecStates(worker->states);
  workers_.clear();
}

int ConversionPipeline::PeakFinishedWaiting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return peakWaiting_;
}

PipelineStatistics ConversionPipeline::Statistics() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stats_;
}

}  // namespace qv
