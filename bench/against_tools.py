"""What `make bench` prints first: Quorvix against the tools a user would pick instead.

  tools     the large corpus photos as one folder at 1/4 and 1/2, in interleaved rounds whose order
            alternates, as ratios of median wall times to `djpeg | cjpeg` per file in the same run:
            quorvix --jobs 1, quorvix with all processors, ImageMagick `convert` with the size hint and
            `vipsthumbnail`; all at quality 75, 4:2:0, optimised Huffman tables, no metadata, the same
            N/8 output size
  1/8       the progressive photos at 1/8, in process, reading every scan (as the decoder did before it
            left out the scans the output cannot use) against the decoder as it is
  overhead  a folder of 200 small photos: what a run adds per file to the engine's own work (listing,
            temporary file, copy, naming)
  memory    peak resident memory of quorvix over the largest photos, one file at a time and with all
            processors
A quorvix whose --help does not mention --jobs converts one file at a time; the bench then runs it
without --jobs and says so.
"""

import os
import shutil
import statistics
import subprocess
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(REPO, "tests", "data")
LARGE = ["s028.jpg", "s025.jpg", "s030.jpg", "s007.jpg", "s005.jpg", "s006.jpg", "s011.jpg", "s017.jpg"]
LARGEST = ["s028.jpg", "s025.jpg", "s030.jpg"]
PROGRESSIVE = ["s025.jpg", "s030.jpg"]
SMALL = ["s002.jpg", "s012.jpg", "s021.jpg", "s022.jpg", "s040.jpg", "s036.jpg", "s041.jpg", "s045.jpg"]
SMALL_COUNT = 200
SMALL_SCALE = 4

TARGET_ALL_VS_PIPE = 0.55
TARGET_SPEEDUP = 1.8
TARGET_PROGRESSIVE = 0.80
TARGET_OVERHEAD_MS = 1.0


def machine():
    model = "unknown processor"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = " ".join(line.split(":", 1)[1].split())
                    break
    except OSError:
        pass
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30
    return f"{model}, {os.cpu_count()} processors, {memory:.0f} GiB"


def spawn(argv, stdin=None, stdout=None, stderr=None):
    actions = [(os.POSIX_SPAWN_DUP2, fd, target) for fd, target in ((stdin, 0), (stdout, 1), (stderr, 2))
               if fd is not None]
    return os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)


def jpeg_size(path):
    """Width and height from the first SOF marker."""
    with open(path, "rb") as f:
        data = f.read()
    i = 2
    while i + 9 < len(data):
        if data[i] != 0xFF:
            i += 1
            continue
        marker = data[i + 1]
        length = (data[i + 2] << 8) | data[i + 3]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            return (data[i + 7] << 8) | data[i + 8], (data[i + 5] << 8) | data[i + 6]
        i += 2 + length
    return 0, 0


def scaled(size, n):
    return (size[0] * n + 7) // 8, (size[1] * n + 7) // 8


class Batch:
    """Runs commands one after the other; wall time from the first start to the last exit, CPU time and
    the largest resident size of their processes."""

    def run(self, commands):
        start = time.perf_counter()
        cpu, peak = 0.0, 0
        for command in commands:
            ok, c, p = command()
            if not ok:
                raise SystemExit("run-bench: a command of the tool comparison failed")
            cpu += c
            peak = max(peak, p)
        return (time.perf_counter() - start) * 1000, cpu * 1000, peak


def wait_all(pids):
    ok, cpu, peak = True, 0.0, 0
    for pid in pids:
        _, status, usage = os.wait4(pid, 0)
        ok = ok and os.waitstatus_to_exitcode(status) == 0
        cpu += usage.ru_utime + usage.ru_stime
        peak = max(peak, usage.ru_maxrss)
    return ok, cpu, peak


class Contenders:
    """The commands of each contender over a folder or a list of files, writing into `out`. Their
    messages go to /dev/null (vipsthumbnail warns about odd Exif resolution units)."""

    def __init__(self, runner, cli, temp):
        self.r, self.cli, self.temp = runner, cli, temp
        self.devnull = os.open(os.devnull, os.O_WRONLY)
        self.settings = os.path.join(temp, "tools-settings.ini")
        self.has_jobs = cli is not None and "--jobs" in subprocess.run(
            [cli, "--help"], capture_output=True, text=True).stdout

    def process(self, argv, stdout=None):
        def go():
            pid = spawn(argv, stdout=self.devnull if stdout is None else stdout, stderr=self.devnull)
            return wait_all([pid])
        return go

    def ours(self, folder, out, n, jobs):
        extra = ["--jobs", str(jobs)] if self.has_jobs else []
        argv = [self.cli, "--quiet", "--settings", self.settings, "-s", str(n), "-q", "75", "--sampling", "420",
                "--baseline", "--no-comment", "--no-limit", "--name", "input", "--no-subfolder",
                "--delete-input", "no", *extra, "-o", out, folder]
        return [self.process(argv)]

    def pipe(self, files, out, n):
        def one(path):
            def go():
                read_end, write_end = os.pipe()
                target = os.open(os.path.join(out, os.path.basename(path)), os.O_WRONLY | os.O_CREAT | os.O_TRUNC,
                                 0o644)
                first = spawn([self.r.djpeg, "-scale", f"{n}/8", path], stdout=write_end, stderr=self.devnull)
                second = spawn([self.r.cjpeg, "-quality", "75", "-optimize"], stdin=read_end, stdout=target,
                               stderr=self.devnull)
                for fd in (read_end, write_end, target):
                    os.close(fd)
                return wait_all([first, second])
            return go
        return [one(p) for p in files]

    def convert(self, files, out, n, sizes):
        commands = []
        for path in files:
            w, h = scaled(sizes[path], n)
            commands.append(self.process([
                self.r.convert, "-define", f"jpeg:size={w}x{h}", path, "-resize", f"{w}x{h}!", "-strip",
                "-quality", "75", "-sampling-factor", "4:2:0", "-define", "jpeg:optimize-coding=true",
                os.path.join(out, os.path.basename(path))]))
        return commands

    def vips(self, files, out, n, sizes):
        commands = []
        for path in files:
            w, h = scaled(sizes[path], n)
            target = os.path.join(out, os.path.basename(path))
            commands.append(self.process([
                self.r.vipsthumbnail, path, "--size", f"{w}x{h}!",
                "-o", f"{target}[Q=75,optimize_coding,strip,subsample_mode=on]"]))
        return commands


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def check_outputs(out, files, n, sizes, name):
    """Every output exists at the N/8 size; returns their total bytes."""
    total = 0
    for path in files:
        base = os.path.basename(path)
        candidates = [f for f in os.listdir(out) if os.path.splitext(f)[0].startswith(os.path.splitext(base)[0])]
        if not candidates:
            raise SystemExit(f"run-bench: {name} wrote no output for {base}")
        target = os.path.join(out, candidates[0])
        if jpeg_size(target) != scaled(sizes[path], n):
            raise SystemExit(f"run-bench: {name} wrote {jpeg_size(target)} for {base}, "
                             f"expected {scaled(sizes[path], n)}")
        total += os.path.getsize(target)
    return total


def compare_tools(r, cli, temp, rounds, scales=(2, 4)):
    c = Contenders(r, cli, temp)
    folder = fresh(os.path.join(temp, "tools-input"))
    for name in LARGE:
        shutil.copy(os.path.join(DATA, name), os.path.join(folder, name))
    files = [os.path.join(folder, name) for name in LARGE]
    sizes = {p: jpeg_size(p) for p in files}
    procs = os.cpu_count() or 1
    names = ["ours --jobs 1", f"ours all ({procs})", "djpeg|cjpeg", "convert", "vipsthumbnail"]
    available = {"convert": r.convert is not None, "vipsthumbnail": r.vipsthumbnail is not None}
    names = [k for k in names if available.get(k, True)]
    out = os.path.join(temp, "tools-output")

    def commands(name, n):
        if name == "ours --jobs 1": return c.ours(folder, out, n, 1)
        if name.startswith("ours all"): return c.ours(folder, out, n, procs)
        if name == "djpeg|cjpeg": return c.pipe(files, out, n)
        if name == "convert": return c.convert(files, out, n, sizes)
        return c.vips(files, out, n, sizes)

    batch = Batch()
    outputs = {}
    for n in scales:  # warms the caches and checks every output
        for name in names:
            fresh(out)
            batch.run(commands(name, n))
            outputs[(name, n)] = check_outputs(out, files, n, sizes, name)
    samples = {(name, n): {"wall": [], "cpu": []} for name in names for n in scales}
    for k in range(rounds):
        order = [(name, n) for n in scales for name in names]
        for name, n in (order if k % 2 == 0 else list(reversed(order))):
            fresh(out)
            wall, cpu, _ = batch.run(commands(name, n))
            samples[(name, n)]["wall"].append(wall)
            samples[(name, n)]["cpu"].append(cpu)
    shutil.rmtree(out, ignore_errors=True)
    med = {key: {k: statistics.median(v) for k, v in s.items()} for key, s in samples.items()}
    return names, med, outputs, c.has_jobs, len(files)


def progressive_eighth(r, rounds, inner):
    files = [os.path.join(DATA, f) for f in PROGRESSIVE]
    samples = {(p, mode): [] for p in files for mode in ("every", "now")}
    skipped = {}
    for k in range(rounds):
        for path in files:
            steps = [("every", ("--every-scan",)), ("now", ())]
            for mode, extra in (steps if k % 2 == 0 else list(reversed(steps))):
                out = r.bench("convert", path, 1, inner, extra=extra)
                samples[(path, mode)].append(float(out["median_ms"]))
                if mode == "now":
                    skipped[path] = int(out.get("skipped_scans", "0"))
    return files, {key: statistics.median(v) for key, v in samples.items()}, skipped


def small_photos(r, cli, temp, rounds):
    c = Contenders(r, cli, temp)
    folder = fresh(os.path.join(temp, "small-input"))
    count = {}
    for i in range(SMALL_COUNT):
        name = SMALL[i % len(SMALL)]
        count[name] = count.get(name, 0) + 1
        shutil.copy(os.path.join(DATA, name), os.path.join(folder, f"img{i + 1:03}.jpg"))
    engine = sum(float(r.bench("convert", os.path.join(DATA, name), SMALL_SCALE, 9)["median_ms"]) * k
                 for name, k in count.items())
    procs = os.cpu_count() or 1
    batch = Batch()
    start = [batch.run([c.process([c.cli, "--version"])])[0] for _ in range(9)]
    walls = {1: [], procs: []}
    out = os.path.join(temp, "small-output")
    for k in range(rounds):
        for jobs in ([1, procs] if k % 2 == 0 else [procs, 1]):
            fresh(out)
            walls[jobs].append(batch.run(c.ours(folder, out, SMALL_SCALE, jobs))[0])
    shutil.rmtree(out, ignore_errors=True)
    return engine, statistics.median(start), {j: statistics.median(v) for j, v in walls.items()}


def peak_memory(r, cli, temp):
    c = Contenders(r, cli, temp)
    folder = fresh(os.path.join(temp, "largest-input"))
    for name in LARGEST:
        shutil.copy(os.path.join(DATA, name), os.path.join(folder, name))
    procs = os.cpu_count() or 1
    peaks = {}
    for jobs in (1, procs):
        out = fresh(os.path.join(temp, "largest-output"))
        peaks[jobs] = Batch().run(c.ours(folder, out, 4, jobs))[2] / 1024
    shutil.rmtree(os.path.join(temp, "largest-output"), ignore_errors=True)
    return peaks


def verdict(ok):
    return "met" if ok else "MISSED"


def report(r, cli, temp, rounds, inner):
    procs = os.cpu_count() or 1
    print()
    print(f"Quorvix against the tools a user would pick instead ({machine()})")
    names, med, outputs, has_jobs, nfiles = compare_tools(r, cli, temp, rounds)
    if not has_jobs:
        print("  (this quorvix has no --jobs: it converts one file at a time, so 'ours --jobs 1' and 'ours all'")
        print("   are the same run, measured twice)")
    print(f"  {nfiles} photos of 2-13 MP as one folder; medians of {rounds} interleaved rounds; ratio = wall time /")
    print("  djpeg|cjpeg's in the same run (lower is faster); ms = the whole folder; cpu = user+system ms")
    scales = sorted({n for _, n in med})
    head = f"  {'':16}" + "".join(f" {f'1/{8 // n} ratio':>11} {'ms':>7} {'cpu':>7} {'KB':>6}" for n in scales)
    print(head)
    for name in names:
        line = f"  {name:16}"
        for n in scales:
            m, base = med[(name, n)], med[("djpeg|cjpeg", n)]
            line += f" {m['wall'] / base['wall']:11.2f} {m['wall']:7.0f} {m['cpu']:7.0f} {outputs[(name, n)] // 1024:6}"
        print(line)
    all_name = f"ours all ({procs})"
    for n in scales:
        a, one, pipe = med[(all_name, n)]["wall"], med[("ours --jobs 1", n)]["wall"], med[("djpeg|cjpeg", n)]["wall"]
        fastest_other = min(med[(k, n)]["wall"] for k in names if not k.startswith("ours"))
        print(f"  1/{8 // n}: ours all / djpeg|cjpeg {a / pipe:.2f} (target <= {TARGET_ALL_VS_PIPE}) "
              f"{verdict(a / pipe <= TARGET_ALL_VS_PIPE)}; throughput all / --jobs 1 {one / a:.2f} "
              f"(target >= {TARGET_SPEEDUP}) {verdict(one / a >= TARGET_SPEEDUP)}; fastest other tool / ours all "
              f"{fastest_other / a:.2f} (target >= 1) {verdict(fastest_other >= a)}")

    files, prog, skipped = progressive_eighth(r, rounds, inner)
    print()
    print(f"Progressive photos at 1/8, in process (decode + encode, median of {inner} runs in each of {rounds} rounds):")
    before = sum(prog[(p, "every")] for p in files)
    after = sum(prog[(p, "now")] for p in files)
    for p in files:
        print(f"  {os.path.basename(p)}: every scan {prog[(p, 'every')]:.1f} ms, scans the output uses "
              f"{prog[(p, 'now')]:.1f} ms ({skipped[p]} scans left out): {prog[(p, 'now')] / prog[(p, 'every')]:.2f}")
    print(f"  together {after / before:.2f} x the time of reading every scan (target <= {TARGET_PROGRESSIVE}) "
          f"{verdict(after / before <= TARGET_PROGRESSIVE)}")

    engine, start, walls = small_photos(r, cli, temp, max(3, rounds))
    overhead = (walls[1] - start - engine) / SMALL_COUNT
    print()
    print(f"{SMALL_COUNT} small photos (150x103 to 308x231) at {SMALL_SCALE}/8 as one folder, medians:")
    print(f"  one at a time {walls[1]:.0f} ms, all processors {walls[procs]:.0f} ms; the engine alone "
          f"{engine:.0f} ms; start and exit of quorvix {start:.1f} ms")
    print(f"  what a run adds per file: {overhead:.2f} ms (target < {TARGET_OVERHEAD_MS} ms) "
          f"{verdict(overhead < TARGET_OVERHEAD_MS)}")

    peaks = peak_memory(r, cli, temp)
    print()
    print(f"Peak resident memory of quorvix over {', '.join(LARGEST)} at 1/2: one at a time {peaks[1]:.0f} MB, "
          f"all processors {peaks[procs]:.0f} MB")
