// Worker threads converting a run's inputs ahead of it within one memory budget, and the retry alone of a
// conversion that failed beside the others.
#include "batch/conversion_pipeline.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <new>
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
  for (int i = static_cast<int>(workers_.size()); i < requestedWorkers_; ++i) {
    std::unique_ptr<Worker> worker(new (std::nothrow) Worker);
    if (!worker || !PrepareCodecStates(worker->states)) break;
    worker->states.decoder->memoryLimit = decodeLimit_;
    worker->ctx.params = &params_;
    worker->ctx.states = &worker->states;
    worker->ctx.tempFolder = tempFolder_;
    Worker& w = *worker;
    if (!w.thread.Start([this, &w] { Work(w); })) break;
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
  if (index > turn_ && stopHint_ != nullptr && stopHint_->load()) return false;
  if (inputs_[static_cast<size_t>(index)].waitsForTurn && index != turn_) return false;
  // Files under way count too: each of them will wait once it is done. The file whose turn it is may
  // always go.
  return index == turn_ || waiting_ + inFlight_ < maxWaiting_;
}

bool ConversionPipeline::MayConvert(int index, uint64_t need) const {
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
    if (index > turn_) ++stats_.convertedAhead;
    stats_.peakConverting = std::max(stats_.peakConverting, converting_);
    stats_.peakReservedBytes = std::max(stats_.peakReservedBytes, reserved_);
    lock.unlock();
    ConvertedFile result = Convert(worker.ctx, index, 0);
    lock.lock();
    reserved_ -= need;
    --converting_;
    --inFlight_;
    const bool retry = !result.ok && MayDependOnOthers(result.failure);
    results_[static_cast<size_t>(index)] = std::move(result);
    slots_[static_cast<size_t>(index)] = retry ? Slot::kRetry : Slot::kReady;
    peakWaiting_ = std::max(peakWaiting_, ++waiting_);
    changed_.notify_all();
  }
  ++exited_;
  changed_.notify_all();
}

ConvertedFile ConversionPipeline::Convert(ConversionContext& ctx, int index, int attempt) {
  if (failAttempt_ && failAttempt_(index, attempt)) {
    ConvertedFile failed;
    failed.failure = ConversionFailure::kEncodeFailed;
    return failed;
  }
  return ConvertInput(ctx, inputs_[static_cast<size_t>(index)].path);
}

void ConversionPipeline::DropFinished() {
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i] != Slot::kReady && slots_[i] != Slot::kRetry) continue;
    if (results_[i].ok) DeleteFileAt(results_[i].tempPath);
    results_[i] = ConvertedFile{};
    slots_[i] = Slot::kPending;
    claimed_[i] = 0;
    --waiting_;
    ++stats_.dropped;
  }
}

void ConversionPipeline::EndWorkers(const std::function<void()>& whileWaiting) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    stop_ = true;
    changed_.notify_all();
    const int started = static_cast<int>(workers_.size());
    WaitCalling(lock, whileWaiting, [&] { return exited_ >= started; });
  }
  for (const std::unique_ptr<Worker>& worker : workers_) {
    worker->thread.Join();
    ReleaseCodecStates(worker->states);
  }
  workers_.clear();
  std::lock_guard<std::mutex> lock(mutex_);
  exited_ = 0;
}

ConvertedFile ConversionPipeline::RetryAlone(int index, const std::function<void()>& whileWaiting) {
  // At its turn the caller has placed every earlier file and holds nothing more. The workers end, what
  // they converted ahead goes, and the file is converted here, meeting the machine as it would alone.
  EndWorkers(whileWaiting);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    DropFinished();
    ++stats_.retriedAlone;
    ++stats_.conversions;
  }
  ReturnFreedMemory();
  ConvertedFile result;
  {
    CodecStates states;
    ConversionContext ctx;
    if (PrepareCodecStates(states)) {
      states.decoder->memoryLimit = decodeLimit_;
      ctx.params = &params_;
      ctx.states = &states;
      ctx.tempFolder = tempFolder_;
      result = Convert(ctx, index, 1);
    } else {
      result.failure = ConversionFailure::kEncodeFailed;
    }
    ReleaseCodecStates(states);
  }
  ReturnFreedMemory();
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = false;
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
  const size_t i = static_cast<size_t>(index);
  std::unique_lock<std::mutex> lock(mutex_);
  turn_ = index;
  changed_.notify_all();
  // Without workers (none could be started again after a retry) the file is converted here.
  const bool solo = workers_.empty();
  if (!solo) WaitCalling(lock, whileWaiting, [&] { return slots_[i] == Slot::kReady || slots_[i] == Slot::kRetry; });
  if (solo || slots_[i] == Slot::kRetry) {
    if (slots_[i] == Slot::kRetry) {
      slots_[i] = Slot::kPending;
      --waiting_;
    }
    lock.unlock();
    ConvertedFile result = RetryAlone(index, whileWaiting);
    lock.lock();
    slots_[i] = Slot::kTaken;
    lock.unlock();
    Start();  // the files after it go on beside the caller again
    return result;
  }
  slots_[i] = Slot::kTaken;
  --waiting_;
  changed_.notify_all();
  return std::move(results_[i]);
}

void ConversionPipeline::Stop(const std::function<void()>& whileWaiting) {
  EndWorkers(whileWaiting);
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
  for (size_t i = 0; i < results_.size(); ++i) {
    if ((slots_[i] == Slot::kReady || slots_[i] == Slot::kRetry) && results_[i].ok) DeleteFileAt(results_[i].tempPath);
    slots_[i] = Slot::kTaken;
  }
  waiting_ = 0;
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
