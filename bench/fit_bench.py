"""What `make bench` prints for --fit: the large photos fitted into a box, against vipsthumbnail.

  speed     the folder of large photos fitted into BOX (quorvix --fit with one and with all processors,
            vipsthumbnail --size per file), quality 75, 4:2:0; medians of interleaved rounds
  quality   each photo fitted at quality 100, 4:4:4 (so that the encoder adds almost nothing), decoded and
            compared with a reference made from the full-size photo by ImageMagick's Lanczos filter in
            linear light at the same size: SSIMULACRA2 (the tool scripts/bootstrap bench builds; 90 and more
            is visually lossless) and PSNR in dB (ImageMagick's `compare`), means over the photos; higher is
            closer
"""

import os
import re
import shutil
import statistics
import subprocess

import against_tools

BOX = (1600, 1600)
TARGET_MARGIN = 0.0  # ours at least as close to the reference as vipsthumbnail, by SSIMULACRA2


def ssimulacra2_tool():
    cache = os.environ.get("QV_CACHE") or os.path.join(os.path.expanduser("~"), ".cache", "quorvix")
    tool = os.path.join(cache, "native", "bin", "ssimulacra2")
    return tool if os.access(tool, os.X_OK) else None


def ssimulacra2(tool, reference_ppm, jpeg, temp):
    """The score of a JPEG against a PPM reference; a grey photo is compared as RGB (the tool reads P6)."""
    decoded = os.path.join(temp, "fit-decoded.ppm")
    subprocess.run(["convert", jpeg, "-strip", "-type", "TrueColor", "-depth", "8", f"PPM:{decoded}"], check=True)
    done = subprocess.run([tool, reference_ppm, decoded], capture_output=True, text=True)
    if done.returncode != 0:
        raise SystemExit(f"run-bench: ssimulacra2 failed on {jpeg}: {done.stderr.strip()}")
    return float(done.stdout.split()[0])


def psnr(a, b):
    done = subprocess.run(["compare", "-metric", "PSNR", a, b, "null:"], capture_output=True, text=True)
    match = re.match(r"\s*([0-9.]+|inf)", done.stderr)
    if not match:
        raise SystemExit(f"run-bench: compare failed: {done.stderr.strip()}")
    return float("inf") if match.group(1) == "inf" else float(match.group(1))


def reference(source, size, temp, cache):
    key = (source, size)
    if key not in cache:
        target = os.path.join(temp, f"ref-{len(cache)}.ppm")
        subprocess.run(["convert", source, "-colorspace", "RGB", "-filter", "Lanczos", "-resize",
                        f"{size[0]}x{size[1]}!", "-colorspace", "sRGB", "-strip", "-type", "TrueColor", "-depth", "8", f"PPM:{target}"], check=True)
        cache[key] = target
    return cache[key]


def report(r, cli, temp, rounds):
    tool = ssimulacra2_tool()
    if r.vipsthumbnail is None or shutil.which("compare") is None:
        print("\n--fit: vipsthumbnail or ImageMagick missing (scripts/bootstrap bench); skipped")
        return
    c = against_tools.Contenders(r, cli, temp)
    folder = against_tools.fresh(os.path.join(temp, "fit-input"))
    for name in against_tools.LARGE:
        shutil.copy(os.path.join(against_tools.DATA, name), os.path.join(folder, name))
    files = [os.path.join(folder, name) for name in against_tools.LARGE]
    out = os.path.join(temp, "fit-output")
    procs = os.cpu_count() or 1
    box = f"{BOX[0]}x{BOX[1]}"

    def ours(jobs, quality="75", sampling="420"):
        return [c.process([cli, "--quiet", "--settings", c.settings, "--fit", box, "-q", quality, "--sampling",
                           sampling, "--baseline", "--no-comment", "--no-limit", "--name", "input",
                           "--no-subfolder", "--delete-input", "no", "--jobs", str(jobs), "-o", out, folder])]

    def vips(options="Q=75,optimize_coding,strip,subsample_mode=on"):
        return [c.process([r.vipsthumbnail, p, "--size", box, "-o",
                           f"{os.path.join(out, os.path.basename(p))}[{options}]"]) for p in files]

    contenders = {"ours --jobs 1": lambda: ours(1), f"ours all ({procs})": lambda: ours(procs),
                  "vipsthumbnail": lambda: vips()}
    batch = against_tools.Batch()
    samples = {name: [] for name in contenders}
    for k in range(rounds + 1):  # the first round warms the caches
        order = list(contenders) if k % 2 == 0 else list(reversed(contenders))
        for name in order:
            against_tools.fresh(out)
            wall, _, _ = batch.run(contenders[name]())
            if k > 0:
                samples[name].append(wall)
    med = {name: statistics.median(v) for name, v in samples.items()}

    cache, scores, psnrs = {}, {}, {}
    for name, make in (("ours", lambda: ours(1, "100", "444")),
                       ("vipsthumbnail", lambda: vips("Q=100,strip,subsample_mode=off"))):
        against_tools.fresh(out)
        batch.run(make())
        values, dbs = [], []
        for p in files:
            written = os.path.join(out, os.path.basename(p))
            ref = reference(p, against_tools.jpeg_size(written), temp, cache)
            values.append(ssimulacra2(tool, ref, written, temp) if tool else float("nan"))
            dbs.append(psnr(written, ref))
        scores[name], psnrs[name] = statistics.mean(values), statistics.mean(dbs)
    shutil.rmtree(out, ignore_errors=True)

    print()
    print(f"--fit {box}: {len(files)} photos of 2-13 MP as one folder, medians of {rounds} interleaved rounds "
          "(quality 75, 4:2:0)")
    for name in contenders:
        print(f"  {name:16} {med[name]:7.0f} ms  {med[name] / med['vipsthumbnail']:5.2f} x vipsthumbnail's time")
    print("  against ImageMagick's linear-light Lanczos of the full-size photo (quality 100, 4:4:4), means:")
    for name in scores:
        print(f"  {name:16} SSIMULACRA2 {scores[name]:6.2f}   PSNR {psnrs[name]:6.2f} dB")
    faster = med["ours --jobs 1"] <= med["vipsthumbnail"]
    if tool is None:
        print("  (the SSIMULACRA2 tool is missing: scripts/bootstrap bench builds it; PSNR decides instead)")
        scores = psnrs
    closer = scores["ours"] >= scores["vipsthumbnail"] + TARGET_MARGIN
    print(f"  ours --jobs 1 faster than vipsthumbnail: {against_tools.verdict(faster)}; at least as close to the "
          f"reference: {against_tools.verdict(closer)}")
