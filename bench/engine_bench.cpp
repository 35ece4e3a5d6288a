// quorvix_bench: times the engine on one file, in process, with a plain steady_clock loop so that
// bench/run-bench can interleave it with other programs. Linux only; depends on the engine and the
// platform layer, nothing above them.
//
//   quorvix_bench convert FILE [options]   decode at N/8 + encode into a temporary file (ConvertFileToTemp),
//                                          the output deleted after each run, outside the timed region
//   quorvix_bench encode FILE [options]    the encode alone (ConvertLoadedImage) of one image decoded once
//   quorvix_bench decode FILE [options]    DecodeJpegFile at N/8, then unmap and release: the decode floor
//
// Options: --scale N (1-8, default 1)  --quality Q (75)  --sampling S (0)  --progressive
//          --limit KB (size bound)  --count-passes  --runs R (5)  --warmup W (1)
//          --temp DIR (the system's temporary folder)
//          --every-scan  read every scan of a progressive file, also those the output cannot use
//                        (the decoder's behaviour before it learned to leave them out)
//
// Prints one line of key=value pairs: the per-run wall times in milliseconds, their median, the medians
// of CPU time and minor page faults per run, and for convert and encode the output size and written
// quality. With --limit and --count-passes, `passes` is the number of encodes the size-bound search
// makes, counted by running the same search once more after the timed runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <vector>

#include "engine/conversion.h"
#include "platform/text.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string mode;
  std::string file;
  int scale = 1;
  int quality = 75;
  int sampling = 0;
  bool progressive = false;
  int limitKb = 0;  // 0: no size bound
  bool countPasses = false;
  bool everyScan = false;
  int runs = 5;
  int warmup = 1;
  std::string temp;
};

int Usage() {
  std::fprintf(stderr,
               "usage: quorvix_bench convert|encode|decode FILE [--scale N] [--quality Q] [--sampling S]\n"
               "       [--progressive] [--limit KB [--count-passes]] [--runs R] [--warmup W] [--temp DIR]\n"
               "       [--every-scan]\n");
  return 2;
}

bool ParseInt(const char* text, int low, int high, int& out) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  if (argc < 3) return false;
  o.mode = argv[1];
  o.file = argv[2];
  if (o.mode != "convert" && o.mode != "encode" && o.mode != "decode") return false;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = true;
    if (arg == "--progressive" || arg == "--count-passes" || arg == "--every-scan") {
      (arg == "--progressive" ? o.progressive : arg == "--count-passes" ? o.countPasses : o.everyScan) = true;
      continue;
    }
    if (value == nullptr) return false;
    if (arg == "--scale") ok = ParseInt(value, 1, 8, o.scale);
    else if (arg == "--quality") ok = ParseInt(value, 1, 200, o.quality);
    else if (arg == "--sampling") ok = ParseInt(value, 0, 2, o.sampling);
    else if (arg == "--limit") ok = ParseInt(value, 1, 1 << 20, o.limitKb);
    else if (arg == "--runs") ok = ParseInt(value, 1, 10000, o.runs);
    else if (arg == "--warmup") ok = ParseInt(value, 0, 10000, o.warmup);
    else if (arg == "--temp") o.temp = value;
    else ok = false;
    if (!ok) return false;
    ++i;
  }
  return true;
}

// Wall time, CPU time of the process and minor page faults between Start() and Stop(). CPU time leaves
// out the waits for a core that other work on a busy machine adds to the wall time. The wall clock is
// read innermost so that the other two readings stay outside it.
class Stopwatch {
 public:
  void Start() {
    ReadCounters(cpu0_, faults0_);
    wall0_ = Clock::now();
  }
  void Stop() {
    wall1_ = Clock::now();
    ReadCounters(cpu1_, faults1_);
  }
  double WallMs() const { return std::chrono::duration<double, std::milli>(wall1_ - wall0_).count(); }
  double CpuMs() const { return cpu1_ - cpu0_; }
  double Faults() const { return static_cast<double>(faults1_ - faults0_); }

 private:
  static void ReadCounters(double& cpuMs, long& faults) {
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    cpuMs = static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) / 1e6;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    faults = usage.ru_minflt;
  }
  Clock::time_point wall0_, wall1_;
  double cpu0_ = 0, cpu1_ = 0;
  long faults0_ = 0, faults1_ = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long long FileBytes(const std::wstring& path) {
  struct stat st;
  return stat(qv::ToUtf8(path).c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

// Encodes of the size-bound search for the image in ctx.loaded, counted through the engine's own search
// over in-memory passes, set up as ConvertLoadedImage sets up the encoder. `chosen` lets the caller check
// that the count belongs to the search the conversion ran.
bool CountSearchPasses(qv::ConversionContext& ctx, int& passes, int& chosen) {
  const qv::ConversionParams& params = *ctx.params;
  qv::EncoderState& encoder = *ctx.states->encoder;
  qv::ResetEncoderState(encoder);
  encoder.geometry = qv::PixelConversion{};
  encoder.geometry.width = ctx.loaded.width;
  encoder.geometry.height = ctx.loaded.height;
  encoder.geometry.sourceBitsPerPixel = ctx.loaded.bitsPerPixel;
  encoder.geometry.targetBitsPerPixel = 24;
  qv::ComputeRowGeometry(encoder.geometry);
  qv::SetEncodeOptions(encoder, params.Quality, params.Progressive, ctx.loaded.bitsPerPixel == 8 ? 1 : 0,
                       params.Sampling);
  const qv::DecodedImage& image = *ctx.loaded.image;

  // An 8-bit source goes through the same expansion the engine makes.
  std::vector<unsigned char> expanded;
  const unsigned char* rows = image.pixels;
  if (ctx.loaded.bitsPerPixel == 8) {
    expanded.resize(static_cast<size_t>(encoder.geometry.targetImageBytes));
    if (!qv::ConvertPixelFormat(image.colorTable, expanded.data(), encoder.geometry, image.pixels)) return false;
    rows = expanded.data();
  }
  qv::MemoryBuffer buffer;
  if (!qv::AllocateMemoryBuffer(buffer, static_cast<size_t>(encoder.geometry.targetImageBytes))) return false;
  passes = 0;
  const bool ok = qv::SearchQualityWithinBound(
      encoder.quality, qv::SizeBoundBytes(params),
      [&](int32_t q, int64_t& bytes) {
        ++passes;
        encoder.quality = q;
        size_t count = 0;
        if (!qv::EncodeJpeg(encoder, buffer, count, rows)) return false;
        bytes = static_cast<int64_t>(count);
        return true;
      },
      chosen);
  qv::ReleaseMemoryBuffer(buffer);
  qv::CleanUpEncoderState(encoder);
  return ok;
}

struct RunResult {
  std::vector<double> ms, cpuMs, faults;
  void Add(const Stopwatch& w) {
    ms.push_back(w.WallMs());
    cpuMs.push_back(w.CpuMs());
    faults.push_back(w.Faults());
  }
  long long bytes = -1;
  int quality = 0;
  int passes = 0;
};

bool BenchConvert(qv::ConversionContext& ctx, const std::wstring& input, const Options& o, RunResult& r) {
  for (int i = 0; i < o.warmup + o.runs; ++i) {
    std::wstring out;
    Stopwatch w;
    w.Start();
    const bool ok = qv::ConvertFileToTemp(ctx, input, out);
    w.Stop();
    if (!ok) return false;
    if (i >= o.warmup) r.Add(w);
    r.bytes = FileBytes(out);
    r.quality = ctx.writtenQuality;
    qv::DeleteFileAt(out);
  }
  return true;
}

bool BenchEncode(qv::ConversionContext& ctx, const std::wstring& input, const Options& o, RunResult& r) {
  if (!qv::LoadInputImage(ctx, input, ctx.params->ScaleNum)) return false;
  std::wstring out;
  bool ok = qv::CreateUniqueTempFile(ctx.tempFolder, out);
  for (int i = 0; ok && i < o.warmup + o.runs; ++i) {
    Stopwatch w;
    w.Start();
    ok = qv::ConvertLoadedImage(ctx, out);
    w.Stop();
    if (i >= o.warmup) r.Add(w);
    r.bytes = FileBytes(out);
    r.quality = ctx.writtenQuality;
  }
  if (!out.empty()) qv::DeleteFileAt(out);
  qv::ReleaseLoadedPixels(ctx);
  return ok;
}

// Counts the passes of the size-bound search on a fresh decode, outside any timed run.
bool CountPassesOfFile(qv::ConversionContext& ctx, const std::wstring& input, RunResult& r) {
  if (!qv::LoadInputImage(ctx, input, ctx.params->ScaleNum)) return false;
  int chosen = 0;
  bool ok = CountSearchPasses(ctx, r.passes, chosen);
  qv::ReleaseLoadedPixels(ctx);
  if (ok && chosen != r.quality) {
    std::fprintf(stderr, "quorvix_bench: counted search chose quality %d, the conversion wrote %d\n", chosen,
                 r.quality);
    ok = false;
  }
  return ok;
}

bool BenchDecode(qv::DecoderState& decoder, const std::wstring& input, const Options& o, RunResult& r) {
  decoder.scaleNum = o.scale;
  for (int i = 0; i < o.warmup + o.runs; ++i) {
    Stopwatch w;
    w.Start();
    const qv::DecodedImage* image = qv::DecodeJpegFile(decoder, input);
    qv::UnmapInputFile(decoder.file);
    if (image != nullptr) qv::ReleasePixelBlock(image->pixels, image->pixelBytes);
    w.Stop();
    if (image == nullptr) return false;
    if (i >= o.warmup) r.Add(w);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) return Usage();

  qv::ConversionParams params;
  params.ScaleNum = o.scale;
  params.Quality = o.quality;
  params.Sampling = o.sampling;
  params.Progressive = o.progressive ? 1 : 0;
  params.Limit = o.limitKb > 0 ? 1 : 0;
  if (o.limitKb > 0) params.LmtVal = o.limitKb;

  qv::CodecStates states;
  qv::ConversionContext ctx;
  ctx.params = &params;
  ctx.states = &states;
  ctx.tempFolder = o.temp.empty() ? qv::TemporaryFolder() : qv::FromUtf8(o.temp + "/");
  if (!qv::PrepareCodecStates(states)) {
    std::fprintf(stderr, "quorvix_bench: out of memory\n");
    return 1;
  }
  states.decoder->readEveryScan = o.everyScan;
  const std::wstring input = qv::FromUtf8(o.file);

  RunResult r;
  bool ok;
  if (o.mode == "convert") ok = BenchConvert(ctx, input, o, r);
  else if (o.mode == "encode") ok = BenchEncode(ctx, input, o, r);
  else ok = BenchDecode(*states.decoder, input, o, r);
  const bool countPasses = o.limitKb > 0 && o.countPasses && o.mode != "decode";
  if (ok && countPasses) ok = CountPassesOfFile(ctx, input, r);
  const int skippedScans = states.decoder->skippedScans;
  qv::ReleaseCodecStates(states);
  if (!ok) {
    std::fprintf(stderr, "quorvix_bench: %s of %s failed\n", o.mode.c_str(), o.file.c_str());
    return 1;
  }

  std::string times;
  for (double ms : r.ms) {
    char item[32];
    std::snprintf(item, sizeof item, "%s%.3f", times.empty() ? "" : ",", ms);
    times += item;
  }
  std::printf("mode=%s scale=%d runs=%d median_ms=%.3f median_cpu_ms=%.3f median_faults=%.0f ms=%s",
              o.mode.c_str(), o.scale, o.runs, Median(r.ms), Median(r.cpuMs), Median(r.faults), times.c_str());
  if (o.mode != "decode") std::printf(" bytes=%lld quality=%d", r.bytes, r.quality);
  if (countPasses) std::printf(" passes=%d", r.passes);
  std::printf(" skipped_scans=%d", skippedScans);
  std::printf("\n");
  return 0;
}
