#!/usr/bin/env python3
"""Runs the benchmarks side by side and prints one line per speed and memory goal.

Each pair runs in one Google Benchmark process with random interleaving, so both sides see
the same load; a ratio is the median of the per-repetition ratios, min and max beside it.
Usage: goals.py BIN_DIR [--repetitions N]
"""
import argparse
import json
import math
import os
import re
import statistics
import subprocess
import sys

TIMEOUT = 300  # seconds for any one benchmark process


def run(cmd, timeout=TIMEOUT):
    try:
        done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              timeout=timeout, check=False)
    except subprocess.TimeoutExpired:
        sys.exit(f"bench: {os.path.basename(cmd[0])} did not finish in {timeout} s")
    if done.returncode != 0:
        sys.stderr.write(done.stderr)
        sys.exit(f"bench: {os.path.basename(cmd[0])} failed ({done.returncode})")
    return done.stdout


def benchmark(binary, pattern, repetitions, min_time, field):
    """Per benchmark name, the list of `field` times (ns) over the repetitions."""
    out = run([binary, f"--benchmark_filter={pattern}", f"--benchmark_repetitions={repetitions}",
               "--benchmark_enable_random_interleaving=true", f"--benchmark_min_time={min_time}",
               "--benchmark_format=json"])
    runs = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        if b.get("error_occurred"):
            sys.exit(f"bench: {b['name']}: {b.get('error_message', 'failed')}")
        scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
        name = re.sub(r"/(manual_time|real_time|repeats:\d+)", "", b["run_name"])
        runs.setdefault(name, []).append(b[field] * scale)
    return runs


def ratios(a, b):
    r = [x / y for x, y in zip(a, b)]
    return statistics.median(r), min(r), max(r)


def fmt_time(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


def growth(label, sizes, times, names):
    """'linear or better' when the cost grows no faster than size^1.15 (a least-squares fit
    over all sizes, so one noisy point does not decide)."""
    xs = [math.log(n) for n in sizes]
    ys = [math.log(t) for t in times]
    mx, my = statistics.mean(xs), statistics.mean(ys)
    exponent = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sum((x - mx) ** 2 for x in xs)
    ok = exponent <= 1.15
    steps = ", ".join(f"{n} {fmt_time(t)}" for n, t in zip(names, times))
    verdict = "linear or better" if ok else "WORSE THAN LINEAR"
    print(f"{label} growth: {steps} (grows as size^{exponent:.2f}) {verdict}")
    return ok


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bindir")
    parser.add_argument("--repetitions", type=int, default=9)
    parser.add_argument("--plant-seconds", type=int, default=120)
    parser.add_argument("--plant-recorders", type=int, default=16)
    args = parser.parse_args()
    reps = args.repetitions
    viewer = os.path.join(args.bindir, "viewer_bench")
    sbus = os.path.join(args.bindir, "sbus_read_bench")
    memory = os.path.join(args.bindir, "grid_memory")
    met = 0
    lines = []

    def goal(text, ok):
        nonlocal met
        met += ok
        lines.append(f"{text} {'ok' if ok else 'NOT MET'}")
        print(lines[-1], flush=True)

    # P1: a full ring through the program's path against the bare telegram loop.
    p1 = benchmark(sbus, "BM_(ReadPath|BareLoop)/", reps, 0.2, "real_time")
    r = ratios(p1["BM_ReadPath/511"], p1["BM_BareLoop/511"])
    goal(f"P1 read path: ratio {r[0]:.2f} (min {r[1]:.2f} max {r[2]:.2f}) (goal <= 1.25)",
         r[0] <= 1.25)

    # P2: appending to 5000 rows against 20; P3: decoding against to_chars;
    # P4: exporting against fwrite. CPU time, so a busy neighbour does not count.
    v = benchmark(viewer, "BM_(Append|Decode|ToChars)", reps, 0.1, "cpu_time")
    r = ratios(v["BM_Append/5000"], v["BM_Append/20"])
    goal(f"P2 append: ratio {r[0]:.2f} (min {r[1]:.2f} max {r[2]:.2f}) (goal <= 1.2)",
         r[0] <= 1.2)
    r = ratios(v["BM_Decode"], v["BM_ToChars"])
    speed = 1 / r[0]
    goal(f"P3 decode: {fmt_time(statistics.median(v['BM_Decode']))} per record, "
         f"1/{r[0]:.2f} of to_chars (min 1/{r[1]:.2f} max 1/{r[2]:.2f}) (goal >= 1/3)",
         speed >= 1 / 3)
    e = benchmark(viewer, "BM_(Export|Fwrite)/", reps, 0.2, "real_time")
    r = ratios(e["BM_Export/32"], e["BM_Fwrite/32"])
    goal(f"P4 export: {fmt_time(statistics.median(e['BM_Export/32']))} for 5000 x 32, "
         f"ratio {r[0]:.2f} (min {r[1]:.2f} max {r[2]:.2f}) (goal <= 3)", r[0] <= 3)

    # P5: peak resident memory of a process holding 5000 x 128 in its grid.
    peaks = []
    for _ in range(3):
        m = re.search(r"peak (\d+) KB", run([memory], timeout=120))
        if not m:
            sys.exit("bench: grid_memory printed no peak")
        peaks.append(int(m.group(1)) / 1024)
    peak = statistics.median(peaks)
    goal(f"P5 memory: {peak:.0f} MB (goal < 64 MB)", peak < 64)

    # P6: recorders forwarding into one local PostgreSQL server (plant_bench.py).
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import plant_bench
    text, ok = plant_bench.line(
        plant_bench.run(args.bindir, args.plant_seconds, args.plant_recorders))
    goal(text, ok)

    # P7: the full view of a journal of a million records with 8 traces (query and drawing),
    # from SQLite and from PostgreSQL, against drawing the same points once at hand.
    import history_bench
    h = history_bench.run(args.bindir, reps, benchmark)
    ok = True
    parts = []
    for name, label in (("FullViewFromJournal", "SQLite"), ("FullViewFromPlant", "PostgreSQL")):
        if name not in h:
            parts.append(f"{label} not run (no postgresql-15)")
            ok = False
            continue
        full = statistics.median(h[name])
        r = ratios(h[name], h["DrawDecimatedPoints"])
        ok = ok and full <= 100e6 and r[0] <= 2
        parts.append(f"{label} {fmt_time(full)}, ratio {r[0]:.2f} (min {r[1]:.2f} "
                     f"max {r[2]:.2f})")
    goal("P7 full view of 1,000,000 records: " + "; ".join(parts)
         + " (goal <= 100 ms, ratio <= 2)", ok)

    # P8: the window holding a journal of a million rows open, paged from its end to its
    # start as scrolling up the grid pages (history_memory makes the journal once).
    out = run([os.path.join(args.bindir, "history_memory")], timeout=1200)
    m = re.search(r"pages (\d+) seconds ([\d.]+) .*peak (\d+) KB", out)
    if not m:
        sys.exit("bench: history_memory printed no peak")
    peak = int(m.group(3)) / 1024
    goal(f"P8 history memory: {peak:.0f} MB, 1,000,000 rows paged end to start in "
         f"{m.group(1)} pages, {float(m.group(2)):.0f} s (goal < 150 MB)", peak < 150)

    med = statistics.median
    growth("P1", [1, 4, 16], [med(p1[f"BM_ReadPath/{n}"]) for n in (32, 128, 511)],
           ["1k registers", "4k", "16k"])
    growth("P2", [20, 500, 5000], [med(v[f"BM_Append/{n}"]) for n in (20, 500, 5000)],
           ["20 rows", "500", "5000"])
    growth("P4", [8, 32, 128], [med(e[f"BM_Export/{n}"]) for n in (8, 32, 128)],
           ["8 columns", "32", "128"])
    print(f"bench: {met} of {len(lines)} goals met")
    return 0 if met == len(lines) else 1


if __name__ == "__main__":
    sys.exit(main())
