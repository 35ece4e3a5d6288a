// Worker threads converting a run's inputs ahead of it, and the gate that lets a retried conversion run
// alone.
#include "batch/conversion_pipeline.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "engine/decoder.h"
#include "platform/files.h"

namespace qv {

ConvertedFile ConvertInput(ConversionContext& ctx, const std::wstring& inputPath) {
  ctx.exifDateFound = 0;
  ctx.exifDateTime = ExifDateTime{};
  ConvertedFile result;
  result.ok = ConvertFileToTemp(ctx, inputPath, result.tempPath);
  result.failure = ctx.lastFailure;
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

// ---- the gate ---------------------------------------------------------------------------------------

void ConversionGate::EnterShared() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !alone_; });
  ++shared_;
}

void ConversionGate::LeaveShared() {
  std::lock_guard<std::mutex> lock(mutex_);
  --shared_;
  changed_.notify_all();
}

void ConversionGate::EnterAlone() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !alone_; });
  alone_ = true;  // no new conversion starts from here on
  changed_.wait(lock, [this] { return shared_ == 0; });
}

void ConversionGate::LeaveAlone() {
  std::lock_guard<std::mutex> lock(mutex_);
  alone_ = false;
  changed_.notify_all();
}

// ---- the pipeline -----------------------------------------------------------------------------------

namespace {

// Files converted or under way ahead of the run beyond one per worker.
constexpr int kExtraFinishedWaiting = 2;

// A failure that may come from sharing the machine with the other workers (memory, a temporary folder
// filled by them) rather than from the file.
bool MayDependOnOthers(ConversionFailure failure) {
  return failure == ConversionFailure::kDecodeFailed || failure == ConversionFailure::kEncodeFailed;
}

}  // namespace

ConversionPipeline::ConversionPipeline(const ConversionParams& params, std::wstring tempFolder,
                                       std::vector<Input> inputs, const Settings& settings)
    : params_(params),
      tempFolder_(std::move(tempFolder)),
      inputs_(std::move(inputs)),
      requestedWorkers_(std::max(1, settings.workers)),
      maxWaiting_(requestedWorkers_ + kExtraFinishedWaiting),
      stopHint_(settings.stopHint),
      // The limit one decode has alone, shared out below so that all workers together stay within it.
      fullMemoryLimit_(static_cast<uint64_t>(LibraryMemoryLimit(settings.memoryLimit, PhysicalMemoryBytes()))),
      results_(inputs_.size()),
      slots_(inputs_.size(), Slot::kPending) {}

ConversionPipeline::~ConversionPipeline() { Stop(); }

bool ConversionPipeline::Start() {
  const uint64_t share = std::max<uint64_t>(1, fullMemoryLimit_ / static_cast<uint64_t>(requestedWorkers_));
  for (int i = 0; i < requestedWorkers_; ++i) {
    auto worker = std::make_unique<Worker>();
    if (!PrepareCodecStates(worker->states)) {
      ReleaseCodecStates(worker->states);
      break;
    }
    worker->states.decoder->memoryLimit = share;
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

bool ConversionPipeline::MayStart(int index) const {
  // Files under way count too: each of them will wait once it is done.
  if (waiting_ + running_ >= maxWaiting_) return false;
  if (index > turn_ && stopHint_ != nullptr && stopHint_->load()) return false;
  return !inputs_[static_cast<size_t>(index)].waitsForTurn || index == turn_;
}

void ConversionPipeline::Work(Worker& worker) {
  const int count = static_cast<int>(inputs_.size());
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || next_ >= count || MayStart(next_); });
    if (stop_ || next_ >= count) return;
    const int index = next_++;
    ++running_;
    lock.unlock();
    ConvertedFile result = Convert(worker, index);
    lock.lock();
    --running_;
    results_[static_cast<size_t>(index)] = std::move(result);
    slots_[static_cast<size_t>(index)] = Slot::kReady;
    peakWaiting_ = std::max(peakWaiting_, ++waiting_);
    changed_.notify_all();
  }
}

ConvertedFile ConversionPipeline::Convert(Worker& worker, int index) {
  const std::wstring& path = inputs_[static_cast<size_t>(index)].path;
  gate_.EnterShared();
  ConvertedFile result = ConvertInput(worker.ctx, path);
  gate_.LeaveShared();
  if (result.ok || !MayDependOnOthers(result.failure)) return result;
  // Alone, with the limit a one-file-at-a-time run gives every decode.
  DecoderState& decoder = *worker.states.decoder;
  const uint64_t share = decoder.memoryLimit;
  decoder.memoryLimit = fullMemoryLimit_;
  gate_.EnterAlone();
  result = ConvertInput(worker.ctx, path);
  gate_.LeaveAlone();
  decoder.memoryLimit = share;
  return result;
}

ConvertedFile ConversionPipeline::Take(int index) {
  std::unique_lock<std::mutex> lock(mutex_);
  turn_ = index;
  changed_.notify_all();
  const size_t i = static_cast<size_t>(index);
  changed_.wait(lock, [&] { return slots_[i] == Slot::kReady; });
  slots_[i] = Slot::kTaken;
  --waiting_;
  changed_.notify_all();
  return std::move(results_[i]);
}

void ConversionPipeline::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }
  for (const std::unique_ptr<Worker>& worker : workers_)
    if (worker->thread.joinable()) worker->thread.join();
  for (size_t i = 0; i < results_.size(); ++i) {
    if (slots_[i] == Slot::kReady && results_[i].ok) DeleteFileAt(results_[i].tempPath);
    slots_[i] = Slot::kTaken;
  }
  waiting_ = 0;
  for (const std::unique_ptr<Worker>& worker : workers_) ReleaseCodecStates(worker->states);
  workers_.clear();
}

int ConversionPipeline::PeakFinishedWaiting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return peakWaiting_;
}

}  // namespace qv
