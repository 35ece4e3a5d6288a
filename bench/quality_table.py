"""The encoders compared by picture quality: libjpeg (quorvix's default), jpegli (--encoder jpegli), jpegli+p
(--encoder jpegli --progressive, against libjpeg's baseline files: what a user who lets the files be progressive
gets) and, for reference, `cjpeg -optimize` on the same decoded pixels, on the photos of tests/data at N/8.

The reference picture is the input decoded at N/8 by libjpeg-turbo (djpeg -scale N/8); every output is
decoded by libjpeg-turbo too (djpeg) and scored against it with SSIMULACRA2 (the tool built from Debian's
jpeg-xl tarball by scripts/build-jpegli ssimulacra2; 90 is visually lossless, 70 high quality, 50 medium).
Each encoder's quality sweep gives a curve of bytes against score, interpolated to read
  bytes at equal SSIMULACRA2 70, 80 and 90   (and jpegli's saving against libjpeg),
  SSIMULACRA2 at equal bytes                  (at the size of libjpeg's quality 75),
and real size-bounded runs (quality 100 searched down to fit) give the score under
  the bytes libjpeg's quality 80 output takes, and a bound of 100 KB.
Then the time of a whole run of quorvix over the photos with each encoder.

Usage: python3 bench/quality_table.py [--cli build/bench/quorvix] [--ssimulacra2 PATH] [--scales 2,4]
       (run-bench calls report() at its end).
"""

import argparse
import concurrent.futures
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PHOTOS = ["s005.jpg", "s006.jpg", "s007.jpg", "s011.jpg", "s025.jpg", "s030.jpg"]
QUALITIES = [40, 55, 65, 75, 80, 85, 90, 95, 98]
SCORES = [70, 80, 90]
ENCODERS = ["libjpeg", "jpegli", "jpegli+p", "cjpeg"]
JPEGLI = ["jpegli", "jpegli+p"]
TARGET_SAVING_80 = 18.0   # % fewer bytes than libjpeg at SSIMULACRA2 80 (N=2, i.e. 1/4)
TARGET_GAIN_BOUND = 2.5   # SSIMULACRA2 points over libjpeg under the bytes of libjpeg's quality 80
TARGET_TIME = 2.5         # whole run, jpegli against libjpeg


def default_tool():
    cache = os.environ.get("QV_CACHE") or os.path.join(os.path.expanduser("~"), ".cache", "quorvix")
    return os.path.join(cache, "native", "bin", "ssimulacra2")


class Scorer:
    def __init__(self, cli, tool, temp, sampling="420"):
        self.cli, self.tool, self.temp, self.sampling = cli, tool, temp, sampling
        self.settings = os.path.join(temp, "quality-settings.ini")
        self.djpeg, self.cjpeg = shutil.which("djpeg"), shutil.which("cjpeg")
        self.count = 0

    def reference(self, photo, n):
        ppm = os.path.join(self.temp, f"{photo}-{n}.ppm")
        if not os.path.exists(ppm):
            subprocess.run([self.djpeg, "-scale", f"{n}/8", "-outfile", ppm, os.path.join(REPO, "tests", "data", photo)],
                           check=True)
        return ppm

    def encode(self, photo, n, encoder, quality, limit_kb=None):
        """Bytes of one output (in a folder of its own)."""
        self.count += 1
        out = os.path.join(self.temp, f"o{self.count}")
        os.makedirs(out)
        src = os.path.join(REPO, "tests", "data", photo)
        if encoder == "cjpeg":
            path = os.path.join(out, photo)
            factors = {"420": "2x2", "422": "2x1", "444": "1x1"}[self.sampling]
            with open(path, "wb") as f:
                subprocess.run([self.cjpeg, "-quality", str(quality), "-optimize", "-sample", factors,
                                self.reference(photo, n)],
                               stdout=f, check=True)
        else:
            argv = [self.cli, "--quiet", "--settings", self.settings, "--encoder", encoder.split("+")[0], "-s",
                    str(n), "-q", str(quality), "--sampling", self.sampling, "--jobs", "1", "-o", out,
                    "--progressive" if encoder.endswith("+p") else "--baseline"]
            argv += ["--limit", str(limit_kb)] if limit_kb else ["--no-limit"]
            subprocess.run(argv + [src], check=True, stdout=subprocess.DEVNULL)
            path = os.path.join(out, photo)
        return path

    def score(self, photo, n, path):
        decoded = path + ".ppm"
        subprocess.run([self.djpeg, "-outfile", decoded, path], check=True)
        text = subprocess.run([self.tool, self.reference(photo, n), decoded], check=True, capture_output=True,
                              text=True).stdout
        size = os.path.getsize(path)
        shutil.rmtree(os.path.dirname(path), ignore_errors=True)
        return size, float(text.split()[-1])

    def point(self, photo, n, encoder, quality, limit_kb=None):
        return self.score(photo, n, self.encode(photo, n, encoder, quality, limit_kb))


def interpolate(curve, x_of, y_of, x):
    """y at x along the points of `curve` (sorted by x), linear between neighbours, None outside."""
    pts = sorted(curve, key=x_of)
    for a, b in zip(pts, pts[1:]):
        if x_of(a) <= x <= x_of(b) and x_of(b) > x_of(a):
            t = (x - x_of(a)) / (x_of(b) - x_of(a))
            return y_of(a) + t * (y_of(b) - y_of(a))
    return None


def bytes_at(curve, score):  # curve: [(bytes, score)]; in log bytes, which is nearly linear in the score
    v = interpolate(curve, lambda p: p[1], lambda p: math.log(p[0]), score)
    return None if v is None else math.exp(v)


def score_at(curve, size):
    return interpolate(curve, lambda p: p[0], lambda p: p[1], size)


def fmt(v, form):
    width = "".join(c for c in form.split(".")[0] if c.isdigit())
    return "-".rjust(int(width or 0)) if v is None else format(v, form)


def whole_run_ms(cli, temp, n, encoder, rounds, extra=()):
    folder = os.path.join(temp, "run-photos")
    if not os.path.isdir(folder):
        os.makedirs(folder)
        for p in PHOTOS:
            shutil.copy(os.path.join(REPO, "tests", "data", p), folder)
    times = []
    for r in range(rounds):
        out = os.path.join(temp, f"run-{encoder}-{r}")
        os.makedirs(out)
        start = time.perf_counter()
        subprocess.run([cli, "--quiet", "--settings", os.path.join(temp, "run.ini"), "--encoder", encoder, "-s", str(n),
                        "--jobs", "1", "-o", out, *extra, folder], check=True, stdout=subprocess.DEVNULL)
        times.append((time.perf_counter() - start) * 1000)
        shutil.rmtree(out)
    return statistics.median(times)


def report(cli, temp, scales=(2, 4), tool=None, rounds=3, jobs=2, sampling="420"):
    tool = tool or default_tool()
    if not os.access(tool, os.X_OK):
        print(f"\n(no quality table: {tool} missing; scripts/bootstrap bench builds it)")
        return
    s = Scorer(cli, tool, temp, sampling)
    print(f"\nPicture quality by encoder ({sampling} sampling): SSIMULACRA2 of each output (decoded by libjpeg-turbo) against the input "
          "decoded at N/8;\nlibjpeg = quorvix's default, jpegli = --encoder jpegli, cjpeg = cjpeg -optimize on the "
          f"decoded pixels. Photos: {', '.join(PHOTOS)}.")
    summary = {}
    for n in scales:
        for p in PHOTOS:
            s.reference(p, n)
        jobs_list = [(p, e, q) for p in PHOTOS for e in ENCODERS for q in QUALITIES]
        with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
            points = list(pool.map(lambda j: s.point(j[0], n, j[1], j[2]), jobs_list))
        curves = {}
        for (p, e, q), pt in zip(jobs_list, points):
            curves.setdefault((p, e), []).append(pt)
        # Size-bounded runs: at the bytes libjpeg's quality 80 output takes (in whole KB, rounded down),
        # and at 100 KB; the search starts from quality 100.
        bounded_jobs = []
        for p in PHOTOS:
            q80 = dict(zip(QUALITIES, curves[(p, "libjpeg")]))[80][0]
            for e in ["libjpeg"] + JPEGLI:
                bounded_jobs += [(p, e, "q80", max(1, q80 // 1024)), (p, e, "100KB", 100)]
        with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
            bounded = list(pool.map(lambda j: s.point(j[0], n, j[1], 100, j[3]), bounded_jobs))
        bound = {(p, e, k): pt for (p, e, k, _), pt in zip(bounded_jobs, bounded)}

        print(f"\nN={n} ({n}/8)")
        head = (f"{'photo':9} {'encoder':8}" + "".join(f" {'B@' + str(t):>9}" for t in SCORES) +
                f" {'S@q75B':>7} {'S@q80B':>7} {'S@100KB':>8}")
        print(head)
        print("-" * len(head))
        rows = {}
        for p in PHOTOS:
            size75 = dict(zip(QUALITIES, curves[(p, "libjpeg")]))[75][0]
            for e in ENCODERS:
                c = curves[(p, e)]
                r = {t: bytes_at(c, t) for t in SCORES}
                r["s75"] = score_at(c, size75)
                r["q80"] = bound[(p, e, "q80")][1] if e != "cjpeg" else None
                r["100"] = bound[(p, e, "100KB")][1] if e != "cjpeg" else None
                rows[(p, e)] = r
                print(f"{p[:-4]:9} {e:8}" + "".join(f" {fmt(r[t], '9.0f')}" for t in SCORES) +
                      f" {fmt(r['s75'], '7.1f')} {fmt(r['q80'], '7.1f')} {fmt(r['100'], '8.1f')}")
        print("Means over the photos (bytes: the saving against libjpeg, geometric mean of the ratios, where "
              "both reach the score):")
        for t in SCORES:
            ref = [rows[(p, "cjpeg")][t] / rows[(p, "libjpeg")][t] for p in PHOTOS
                   if rows[(p, "cjpeg")][t] and rows[(p, "libjpeg")][t]]
            parts = []
            for e in JPEGLI:
                ratios = [rows[(p, e)][t] / rows[(p, "libjpeg")][t] for p in PHOTOS
                          if rows[(p, e)][t] and rows[(p, "libjpeg")][t]]
                saving = (1 - math.exp(statistics.mean(map(math.log, ratios)))) * 100 if ratios else None
                summary[(n, e, t)] = saving
                parts.append(f"{e} {fmt(saving, '.1f')} % fewer bytes over {len(ratios)} photos")
            print(f"  SSIMULACRA2 {t}: " + "; ".join(parts) +
                  f"; cjpeg -optimize/libjpeg {fmt(statistics.mean(ref) if ref else None, '.3f')}")
        for key, label in (("s75", "at the bytes of libjpeg's quality 75"),
                           ("q80", "under a bound of libjpeg's quality-80 bytes"), ("100", "under a bound of 100 KB")):
            parts = []
            for e in JPEGLI:
                gains = [rows[(p, e)][key] - rows[(p, "libjpeg")][key] for p in PHOTOS
                         if rows[(p, e)][key] is not None and rows[(p, "libjpeg")][key] is not None]
                summary[(n, e, key)] = statistics.mean(gains) if gains else None
                parts.append(f"{e} {fmt(summary[(n, e, key)], '+.2f')} (worst photo "
                             f"{fmt(min(gains) if gains else None, '+.2f')})")
            print(f"  SSIMULACRA2 {label}, on average: " + "; ".join(parts))

    n = scales[0]
    lib_ms = whole_run_ms(cli, temp, n, "libjpeg", rounds)
    jli_ms = {"jpegli": whole_run_ms(cli, temp, n, "jpegli", rounds),
              "jpegli+p": whole_run_ms(cli, temp, n, "jpegli", rounds, ["--progressive"])}
    print(f"\nWhole run over the {len(PHOTOS)} photos at N={n}, one job, median of {rounds}: libjpeg {lib_ms:.0f} ms, "
          + ", ".join(f"{e} {ms:.0f} ms (x{ms / lib_ms:.2f})" for e, ms in jli_ms.items()))
    met = lambda ok: "met" if ok else "MISSED"
    for e in JPEGLI:
        saving, gain = summary.get((2, e, 80)), summary.get((2, e, "q80"))
        if saving is None or gain is None:
            continue
        ratio = jli_ms[e] / lib_ms
        print(f"Targets at N=2, {e}: bytes at SSIMULACRA2 80 -{saving:.1f} % (>= {TARGET_SAVING_80:.0f} %) "
              f"{met(saving >= TARGET_SAVING_80)}; under libjpeg's q80 bytes {gain:+.2f} (>= +{TARGET_GAIN_BOUND}) "
              f"{met(gain >= TARGET_GAIN_BOUND)}; time x{ratio:.2f} (<= {TARGET_TIME}) {met(ratio <= TARGET_TIME)}")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", default=os.path.join(REPO, "build", "bench", "quorvix"))
    parser.add_argument("--ssimulacra2", default=None)
    parser.add_argument("--scales", default="2,4")
    parser.add_argument("--sampling", default="420", choices=["420", "422", "444"])
    args = parser.parse_args()
    if not os.access(args.cli, os.X_OK):
        sys.exit(f"quality_table: {args.cli} not built")
    temp = tempfile.mkdtemp(prefix="quorvix-quality-")
    try:
        report(args.cli, temp, [int(x) for x in args.scales.split(",")], args.ssimulacra2, sampling=args.sampling)
    finally:
        shutil.rmtree(temp, ignore_errors=True)
