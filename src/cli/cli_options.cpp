// Option parsing with CLI11; every option maps onto one field of ConversionParams.
#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include "cli/cli_messages.h"
#include "platform/text.h"

namespace qv::cli {

namespace {

const char kFooter[] =
    "\nWith the settings as installed, `quorvix photos` writes copies at 1/8 of the size (quality 75) beside\n"
    "the inputs, into the photos folder itself, named after each input (\"+1\" when the name is taken);\n"
    "-o, -s and -q change that, --save keeps the choice.\n"
    "\nSettings come from Quorvix.ini beside the program, else $XDG_CONFIG_HOME/Quorvix/Quorvix.ini\n"
    "(Windows: %APPDATA%\\Quorvix\\Quorvix.ini); options override them for this run, --save stores them\n"
    "(with no PATH it only stores them).\n"
    "\nExit status:\n"
    "  0    every planned file was written\n"
    "  1    some files were skipped, a PATH did not exist, an input could not be removed, the run was\n"
    "       stopped (Ctrl-C, SIGTERM, SIGHUP: after the current file), or standard output failed\n"
    "  2    bad usage (unknown option, value out of range, no PATH without --save, --save with --dry-run)\n"
    "       or a failure before the run: no PATH exists, the output folder is missing or no folder, the\n"
    "       sub-folder cannot be created, nothing to convert, the settings file cannot be written, out of\n"
    "       memory\n"
    "  128+N  a second Ctrl-C (or SIGTERM, SIGHUP) ended the run at once; no temporary file is left\n";

std::wstring Wide(const std::string& s) { return FromUtf8(s); }

// A comment typed on the command line has LF line breaks; the stored comment uses CR LF.
std::wstring CommentFromArgument(const std::string& text) {
  std::wstring in = Wide(text), out;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == L'\r') continue;
    if (in[i] == L'\n') out += L"\r\n";
    else out += in[i];
  }
  return out;
}

}  // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& args, CliOptions& o, std::string& message) {
  CLI::App app{"quorvix 1.02 - resize and re-encode JPEG photos in batches (N/8 scaling in the DCT domain)", "quorvix"};
  app.footer(kFooter);
  app.set_version_flag("--version", "quorvix 1.02");

  std::vector<std::string> paths;
  std::string output, settings, comment, prefix, suffix, subfolder, name, sampling, deleteInput;
  int quality = 0, limit = 0, scale = 0, digits = 0, start = 0, jobs = 0, maxEdge = 0;
  app.add_option("paths", paths, "JPEG or HEIF photos and folders (a folder stands for its .jpg/.jpe/.jpeg/.heic/.heif files)");
  app.add_option("-o,--output", output,
                 "output folder (default: SdToPath of the settings, else the folder of the first input)");
  app.add_option("--settings", settings, "settings file to read (and write with --save)");
  auto* q = app.add_option("-q,--quality", quality, "JPEG quality 1-100")->check(CLI::Range(1, 100));
  auto* smp = app.add_option("--sampling", sampling, "chroma sampling")->check(CLI::IsMember({"420", "422", "444"}));
  auto* lim = app.add_option("--limit", limit, "upper bound of the output size in KB; lowers the quality to fit")
                  ->check(CLI::Range(1, 2000000));
  auto* nolim = app.add_flag("--no-limit", o.noLimit, "no size bound");
  lim->excludes(nolim);
  auto* sc = app.add_option("-s,--scale", scale, "scale N/8 (1-16)")->check(CLI::Range(1, 16));
  auto* prog = app.add_flag("--progressive", "write progressive JPEG");
  auto* base = app.add_flag("--baseline", "write baseline JPEG");
  prog->excludes(base);
  auto* cmt = app.add_option("--comment", comment, "insert this comment (newlines become CR LF)");
  auto* nocmt = app.add_flag("--no-comment", o.noComment, "insert no comment");
  cmt->excludes(nocmt);
  auto* nm = app.add_option("--name", name, "naming rule")->check(CLI::IsMember({"input", "date", "serial"}));
  auto* dg = app.add_option("--digits", digits, "minimum digits of serial numbers (1-5)")->check(CLI::Range(1, 5));
  auto* st = app.add_option("--start", start, "first serial number");
  auto* pre = app.add_option("--prefix", prefix, "text put in front of every name (empty: none)");
  auto* suf = app.add_option("--suffix", suffix, "text put at the end of every name (empty: none)");
  auto* sub = app.add_option("--subfolder", subfolder, "write into this sub-folder of the output folder");
  auto* nosub = app.add_flag("--no-subfolder", o.noSubfolder, "write into the output folder itself");
  sub->excludes(nosub);
  auto* del = app.add_option("--delete-input", deleteInput, "remove inputs whose output was written")
                  ->check(CLI::IsMember({"no", "recycle", "delete"}));
  auto* jb = app.add_option("--jobs", jobs,
                            "files converted at once (default: the number of processors; 1: one after the other); "
                            "the results are the same")
                 ->check(CLI::Range(1, kMaxJobs));
  // Each switch of what an output keeps has its opposite, for a run against what the settings store.
  struct Switch {
    const char* on;
    const char* onHelp;
    const char* off;
    const char* offHelp;
    std::optional<bool>* value;
    CLI::Option* onOption = nullptr;
    CLI::Option* offOption = nullptr;
  };
  Switch switches[] = {
      {"--auto-rotate", "turn each photo upright by its Exif orientation", "--no-auto-rotate",
       "leave the pixels as stored", &o.autoRotate},
      {"--keep-exif", "keep the Exif data (date taken, camera); the thumbnail is left out, sizes and orientation updated",
       "--no-keep-exif", "write no Exif data", &o.keepExif},
      {"--keep-icc", "keep the ICC colour profile", "--no-keep-icc", "write no colour profile", &o.keepIcc},
      {"--keep-time", "give each output the modification time of its input", "--no-keep-time",
       "outputs get the time they are written", &o.keepTime},
  };
  for (Switch& s : switches) {
    s.onOption = app.add_flag(std::string(s.on))->description(s.onHelp);
    s.offOption = app.add_flag(std::string(s.off))->description(s.offHelp);
    s.onOption->excludes(s.offOption);
  }
  auto* edge = app.add_option("--max-edge", maxEdge,
                              "long edge at most PX pixels: each file gets the largest scale N/8 up to -s that fits")
                   ->check(CLI::Range(kMinMaxEdge, kMaxMaxEdge))
                   ->type_name("PX");
  auto* noEdge = app.add_flag("--no-max-edge", o.noMaxEdge, "no bound on the long edge");
  edge->excludes(noEdge);
  std::string encoder;
  auto* enc = app.add_option("--encoder", encoder,
                             "JPEG encoder: libjpeg (as cjpeg -optimize) or jpegli (about a sixth smaller at the "
                             "same look, or better under --limit, in about the same time)")
                  ->check(CLI::IsMember({"libjpeg", "jpegli"}));
  std::string fit;
  auto* fitOption = app.add_option("--fit", fit,
                                   "make each photo as large as fits WxH pixels (aspect kept, never enlarged; the "
                                   "box of the upright photo with --auto-rotate); replaces -s; with --max-edge the "
                                   "smaller of both results is written")
                        ->type_name("WxH");
  auto* noFit = app.add_flag("--no-fit", o.noFit, "no target box (the scale -s applies)");
  fitOption->excludes(noFit);
  app.add_flag("-r,--recursive", o.recursive,
               "a folder stands for the photos of its whole tree: its own photos first, then each sub-folder's in "
               "natural order, depth first; outputs go into the same sub-folders of the output folder; hidden "
               "folders and links back into the tree are left out");
  app.add_flag("--dry-run", o.dryRun, "print the planned input -> output names; convert nothing");
  app.add_flag("--json", o.json, "JSON lines on standard output");
  app.add_flag("--quiet", o.quiet, "no progress, no summary, no line for each skipped file");
  app.add_flag("--save", o.save, "store the given options in the settings file (alone: store and exit)");

  std::vector<std::string> argv(args.rbegin(), args.rend());
  if (!argv.empty()) argv.pop_back();  // the program name
  try {
    app.parse(argv);
  } catch (const CLI::CallForHelp&) {
    message = app.help();
    return ParseOutcome::kExit;
  } catch (const CLI::CallForVersion&) {
    message = "quorvix 1.02\n";
    return ParseOutcome::kExit;
  } catch (const CLI::ParseError& e) {
    message = std::string(e.what()) + "\nRun with --help for more information.\n";
    return ParseOutcome::kUsageError;
  }

  if (*fitOption) {
    FitBox box;
    std::string error;
    if (!ParseFitBox(fit, box, error)) {
      message = "--fit: " + error + "\nRun with --help for more information.\n";
      return ParseOutcome::kUsageError;
    }
    o.fit = box;
  }
  if (o.save && o.dryRun) {
    message = Diagnostic(L"", MessageText(CliMessage::kSaveWithDryRun));
    return ParseOutcome::kUsageError;
  }
  if (paths.empty() && !o.save) {
    message = Diagnostic(L"", MessageText(CliMessage::kNoPaths)) + "Run with --help for more information.\n";
    return ParseOutcome::kUsageError;
  }

  for (const std::string& p : paths) o.paths.push_back(Wide(p));
  o.outputFolder = Wide(output);
  o.settingsFile = Wide(settings);
  if (*q) o.quality = quality;
  if (*smp) o.sampling = sampling == "420" ? 0 : sampling == "422" ? 1 : 2;
  if (*lim) o.limitKb = limit;
  if (*sc) o.scale = scale;
  if (*prog) o.progressive = true;
  if (*base) o.progressive = false;
  if (*cmt) o.comment = CommentFromArgument(comment);
  if (*nm) o.nameSet = name == "input" ? 0 : name == "date" ? 1 : 2;
  if (*dg) o.digits = digits;
  if (*st) o.start = start;
  if (*pre) o.prefix = Wide(prefix);
  if (*suf) o.suffix = Wide(suffix);
  if (*sub) o.subfolder = Wide(subfolder);
  if (*jb) o.jobs = jobs;
  for (const Switch& s : switches) {
    if (*s.onOption) *s.value = true;
    if (*s.offOption) *s.value = false;
  }
  if (*edge) o.maxEdge = maxEdge;
  if (*enc) o.encoder = encoder == "jpegli" ? kEncoderJpegli : kEncoderLibjpeg;
  if (*del) o.deleteInput = deleteInput == "no" ? 0 : deleteInput == "recycle" ? 1 : 2;
  return ParseOutcome::kRun;
}

bool ParseFitBox(const std::string& text, FitBox& box, std::string& error) {
  // Each side: 1-5 ASCII digits whose value is 1-65535.
  auto side = [](const std::string& digits, int32_t& value) {
    if (digits.empty() || digits.size() > 5) return false;
    value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    return value >= kMinFitSide && value <= kMaxFitSide;
  };
  size_t cut = text.find('x'), sepBytes = 1;
  if (cut == std::string::npos) cut = text.find('X');
  if (cut == std::string::npos && (cut = text.find("\xC3\x97")) != std::string::npos) sepBytes = 2;  // U+00D7
  error = "'" + text + "' is not WIDTHxHEIGHT with both sides from 1 to 65535 pixels (e.g. 1920x1080)";
  if (cut == std::string::npos) return false;
  return side(text.substr(0, cut), box.width) && side(text.substr(cut + sepBytes), box.height);
}

void ApplyToParams(const CliOptions& o, ConversionParams& p) {
  if (o.quality) p.Quality = *o.quality;
  if (o.sampling) p.Sampling = *o.sampling;
  if (o.limitKb) {
    p.Limit = 1;
    p.LmtVal = *o.limitKb;
  }
  if (o.noLimit) p.Limit = 0;
  if (o.scale) p.ScaleNum = *o.scale;
  if (o.progressive) p.Progressive = *o.progressive ? 1 : 0;
  if (o.comment) {
    p.CmtOpt = 1;
    p.CmtStr1 = *o.comment;
  }
  if (o.noComment) p.CmtOpt = 0;
  if (o.nameSet) p.NameSet = *o.nameSet;
  if (o.digits) p.DigitNum = *o.digits;
  if (o.start) p.StartNum = *o.start;
  if (o.prefix) {
    p.TopAdd = o.prefix->empty() ? 0 : 1;
    p.TopStr = *o.prefix;
  }
  if (o.suffix) {
    p.EndAdd = o.suffix->empty() ? 0 : 1;
    p.EndStr = *o.suffix;
  }
  if (o.subfolder) {
    p.MkDirAdd = o.subfolder->empty() ? 0 : 1;
    p.MkDirStr = *o.subfolder;
  }
  if (o.noSubfolder) p.MkDirAdd = 0;
  auto applySwitch = [](const std::optional<bool>& given, uint8_t& field) {
    if (given) field = *given ? 1 : 0;
  };
  applySwitch(o.autoRotate, p.AutoRotate);
  applySwitch(o.keepExif, p.KeepExif);
  applySwitch(o.keepIcc, p.KeepIcc);
  applySwitch(o.keepTime, p.KeepTime);
  if (o.maxEdge) {
    p.MaxEdgeOn = 1;
    p.MaxEdge = *o.maxEdge;
  }
  if (o.noMaxEdge) p.MaxEdgeOn = 0;
  if (o.encoder) p.Encoder = *o.encoder;
  if (o.fit) {
    p.FitOn = 1;
    p.FitWidth = o.fit->width;
    p.FitHeight = o.fit->height;
  }
  if (o.noFit) p.FitOn = 0;
  if (o.deleteInput) {
    p.IFileDel = *o.deleteInput == 0 ? 0 : 1;
    if (*o.deleteInput != 0) p.Recycle = *o.deleteInput == 1 ? 1 : 0;
  }
}

}  // namespace qv::cli
