#!/usr/bin/env python3
"""What a large texture costs the viewer: peak memory and time per frame of buggy-snapshot
with one of its image files replaced by a 16384 x 16384 one that takes a few KiB on disk.

  bmp: "buggy.bmp" at 1 bit per pixel, a sparse file (62 bytes of headers, then 32 MiB of
       zeros: every pixel palette entry 0). BUGGYL loads it three times.
  tga: "pneumatico.tga", uncompressed 24 bits, a sparse file of 768 MiB of black pixels.
       BUGGYRUOTAL loads it once.

Each case runs in a folder of its own holding the painted image files (from the snapshot's
folder) with the one file replaced; the peak is the maximum resident set of the whole run
(/usr/bin/time -v), the time per frame the difference between a run of FRAMES frames and a
run of one, divided by FRAMES - 1 (each run made twice, the shorter taken: other work on the
machine only ever adds time). Printed beside each peak: how many decoded images
(16384 x 16384 x 3 bytes) it is above the run with the painted files. With a second snapshot
program (BASELINE) the same runs are made with it too and the ratios printed. Asserts
nothing.

Usage: large_texture_bench.py [SNAPSHOT [BASELINE [FRAMES]]]
       (default: buggy-snapshot beside this script, no baseline, 5 frames)
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SIDE = 16384
DECODED = SIDE * SIDE * 3


def sparse_file(path, head, size):
    with open(path, "wb") as f:
        f.write(head)
        f.truncate(size)


def large_bmp(path):
    stride = (SIDE + 31) // 32 * 4
    pixels = stride * SIDE
    offset = 14 + 40 + 8
    head = b"BM" + struct.pack("<IHHI", offset + pixels, 0, 0, offset)
    head += struct.pack("<IiiHHIIiiII", 40, SIDE, SIDE, 1, 1, 0, pixels, 2835, 2835, 2, 2)
    head += bytes([40, 90, 160, 0, 255, 255, 255, 0])  # entry 0 a brown, entry 1 white
    sparse_file(path, head, offset + pixels)


def large_tga(path):
    head = bytes([0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0]) + struct.pack("<HHBB", SIDE, SIDE, 24, 0)
    sparse_file(path, head, len(head) + DECODED)


def run(snapshot, folder, frames):
    """(maximum resident set in bytes, wall seconds) of one run."""
    out = os.path.join(folder, "out.png")
    started = time.monotonic()
    r = subprocess.run(["/usr/bin/time", "-v", snapshot, "-n", str(frames), "-o", out], cwd=folder,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    seconds = time.monotonic() - started
    m = re.search(r"Maximum resident set size \(kbytes\): (\d+)", r.stderr)
    if r.returncode != 0 or m is None or not os.path.exists(out):
        sys.exit(f"{snapshot} failed in {folder}:\n{r.stderr}")
    os.remove(out)
    return int(m.group(1)) * 1024, seconds


def measure(snapshot, images, frames):
    figures = {}
    with tempfile.TemporaryDirectory(prefix="large_texture_") as top:
        for case, name, make in (("painted", None, None), ("bmp", "buggy.bmp", large_bmp),
                                 ("tga", "pneumatico.tga", large_tga)):
            folder = os.path.join(top, case)
            os.mkdir(folder)
            for f in os.listdir(images):
                if f.lower().endswith((".bmp", ".tga")):
                    shutil.copy(os.path.join(images, f), folder)
            if make:
                make(os.path.join(folder, name))
            (peak, one), (peak2, one2) = run(snapshot, folder, 1), run(snapshot, folder, 1)
            many = min(run(snapshot, folder, frames)[1], run(snapshot, folder, frames)[1])
            peak, one = max(peak, peak2), min(one, one2)
            figures[case] = (peak, (many - one) / (frames - 1))
    return figures


def report(label, figures):
    base = figures["painted"][0]
    print(f"{label}:")
    for case in ("painted", "bmp", "tga"):
        peak, frame = figures[case]
        copies = "" if case == "painted" else f" = {(peak - base) / DECODED:.2f} decoded images above the painted files"
        print(f"  {case:8s} peak {peak / 1e9:6.2f} GB{copies}; {frame * 1000:7.0f} ms a frame")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    snapshot = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(here, "buggy-snapshot")
    baseline = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 and sys.argv[2] else None
    frames = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    images = os.path.dirname(snapshot)
    now = measure(snapshot, images, frames)
    report(snapshot, now)
    if baseline:
        before = measure(baseline, images, frames)
        report(baseline + " (baseline)", before)
        for case in ("bmp", "tga"):
            print(f"  {case}: peak {now[case][0] / before[case][0]:.2f}x the baseline's, "
                  f"frame {now[case][1] / max(before[case][1], 1e-9):.2f}x")


if __name__ == "__main__":
    main()
