#!/usr/bin/env python3
"""Turns the benchmark programs' JSON output into the performance table, or
checks its ratios against a baseline file.

Usage:
  bench-report.py table HEADER_LINE RESULT.json...
  bench-report.py check BASELINE RESULT.json...

Each benchmark runs several repetitions; every figure is the median of the
repetitions, the spread their smallest and largest value.
"""
import json
import statistics
import sys


class Measure:
    """One row: the benchmark run that yields it, the counter that is its
    figure, how that figure is shown, and the details shown beside it."""

    def __init__(self, key, label, run, counter, shown, times=()):
        self.key = key
        self.label = label
        self.run = run
        self.counter = counter
        self.shown = shown
        self.times = times


# (counter, scale, format, name) of a detail (mostly a time) shown beside a
# figure; the counter
# "cpu_time" is the benchmark's processor time per iteration in nanoseconds.
def us(counter, name):
    return (counter, 1.0, "{:.1f} µs", name)


def ms(counter, name):
    return (counter, 1e-3, "{:.2f} ms", name)


def cpu_us(name):
    return ("cpu_time", 1e-3, "{:.1f} µs", name)


BLOCK = "per 1024-frame block"
SETTINGS = [("defaults_typical", "default settings, typical signal"),
            ("busy_typical", "busy settings, typical signal"),
            ("defaults_hot", "default settings, loud signal"),
            ("busy_hot", "busy settings, loud signal")]

# The audio-stall benchmark's run names (one timed iteration each), and
# (key, run, what the UI thread does, details of its two alternating
# operations) of its rows.
STALL_RUN = "AudioStall/{}/iterations:1/real_time"
STALLS = [
    ("editor_open_close", "EditorOpenClose", "opens and closes the editor (every 20 ms)",
     (us("open_stall_median_us", "open"), us("close_stall_median_us", "close"))),
    ("editor_idle", "EditorIdle", "idles the open editor (every 10 ms)", ()),
    ("state", "StateSaveRestore", "saves and restores the bank (every 10 ms)",
     (us("save_stall_median_us", "save"), us("restore_stall_median_us", "restore"))),
    ("parameters", "ParameterSets", "sets parameters (every 0.5 ms)", ()),
]

MEASURES = (
    [Measure("speedup." + s, "Effect against the plain transcription, " + text,
             "SideBySide/" + s, "speedup", "{:.2f}×",
             (us("literal_us", "transcription"), us("production_us", "effect " + BLOCK)))
     for s, text in SETTINGS]
    + [Measure("realtime." + s, "Real-time factor at 44.1 kHz through the callback, " + text,
               "Hosted/" + s, "x_realtime", "{:.0f}×", (cpu_us(BLOCK),))
       for s, text in SETTINGS]
    + [
        Measure("silence_per_noise", "Silence after signal against loud noise (resonant low cut-off)",
                "SilenceAgainstNoise", "silence_per_noise", "{:.2f}×",
                (us("silence_us", "silence"), us("noise_us", "noise " + BLOCK))),
        Measure("editor_on_audio_path", "Audio block with an editor attached against without",
                "ProcessWithAndWithoutEditor", "ratio", "{:.2f}×",
                (us("with_editor_us", "with"), us("without_editor_us", "without, per 512-frame block"))),
        Measure("first_per_second", "Creating the first instance against the second (module entry)",
                "FirstAndSecondInstance", "first_per_second", "{:.0f}×",
                (ms("first_us", "first"), ms("second_us", "second"))),
        Measure("instance_kib", "Heap of one more opened instance",
                "MemoryOfOneMoreInstance", "instance_kib", "{:.0f} KiB",
                (("kept_bytes", 1.0, "{:.0f} bytes", "still taken after closing it"),)),
        Measure("redraw_per_copy", "Full editor paint against one surface copy (764 × 222)",
                "FullRedrawAgainstSurfaceCopy", "ratio", "{:.2f}×",
                (us("redraw_us", "paint"), us("memcpy_us", "copy"))),
        Measure("tick_share", "Typical tick (both indicators changed), share of the 40 ms between ticks",
                "TypicalTick", "share_of_40ms", "{:.3%}", (cpu_us("per tick"),)),
        Measure("stall.nothing", "Audio block of 64 frames at 96 kHz, the UI thread doing nothing (one run)",
                STALL_RUN.format("Nothing"), "block_median_us", "{:.1f} µs",
                (us("block_p90_us", "90th percentile"),)),
    ]
    + [Measure("stall." + key, "Audio stall (longest block started during it) while the UI thread " + text,
               STALL_RUN.format(run), "stall_median_us", "{:.1f} µs",
               (us("stall_p90_us", "90th percentile"), ("stalled_ops", 1.0, "{:.0f}", "operations met a block"))
               + parts)
       for key, run, text, parts in STALLS]
    + [
        Measure("editor_stall_per_block", "Audio stall while the UI thread opens and closes the editor, in blocks",
                STALL_RUN.format("EditorOpenClose"), "stall_per_block", "{:.2f}×",
                (us("block_median_us", "block"),)),
        Measure("png_per_simplified", "Decoding the twelve editor images against libpng's simplified reader",
                "BM_DecodeEditorImages", "ratio", "{:.2f}×",
                (ms("ours_us", "ours"), ms("simplified_us", "simplified"))),
    ])


def load_runs(paths):
    """Every repetition of every benchmark, by run name; failed runs as None."""
    runs = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        for b in data.get("benchmarks", []):
            if b.get("run_type") != "iteration":
                continue
            runs.setdefault(b["run_name"], []).append(None if b.get("error_occurred") else b)
    return runs


NANOSECONDS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def values(runs, run, counter):
    """The counter's values over the run's repetitions (times per iteration
    in nanoseconds); empty when the run is missing or any repetition
    failed."""
    reps = runs.get(run, [])
    if not reps or any(r is None or counter not in r for r in reps):
        return []
    if counter in ("cpu_time", "real_time"):
        return [float(r[counter]) * NANOSECONDS[r.get("time_unit", "ns")] for r in reps]
    return [float(r[counter]) for r in reps]


def table(header, runs):
    print(header)
    print()
    print("| Measure | Figure (median) | Spread over the repetitions | Details (median) |")
    print("|---|---|---|---|")
    for m in MEASURES:
        v = values(runs, m.run, m.counter)
        if not v:
            print(f"| {m.label} | failed or not run | | |")
            continue
        figure = m.shown.format(statistics.median(v))
        spread = m.shown.format(min(v)) + " – " + m.shown.format(max(v))
        times = []
        for counter, scale, shown, name in m.times:
            t = values(runs, m.run, counter)
            if t:
                times.append(shown.format(statistics.median(t) * scale) + " " + name)
        print(f"| {m.label} | {figure} | {spread} | {'; '.join(times)} |")


def read_baseline(path):
    """(key, baseline, better, margin) per line; '#' starts a comment."""
    entries = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            fields = line.split("#", 1)[0].split()
            if not fields:
                continue
            if len(fields) != 4 or fields[2] not in ("higher", "lower"):
                sys.exit(f"{path}:{number}: expected: key baseline higher|lower margin")
            entries.append((fields[0], float(fields[1]), fields[2], float(fields[3])))
    return entries


def check(baseline_path, runs):
    by_key = {m.key: m for m in MEASURES}
    failed = 0
    for key, baseline, better, margin in read_baseline(baseline_path):
        m = by_key.get(key)
        if m is None:
            print(f"bench check {key}: FAILED (unknown measure)")
            failed += 1
            continue
        v = values(runs, m.run, m.counter)
        if not v:
            print(f"bench check {key}: FAILED (no result)")
            failed += 1
            continue
        got = statistics.median(v)
        limit = baseline / margin if better == "higher" else baseline * margin
        ok = got >= limit if better == "higher" else got <= limit
        bound = ">=" if better == "higher" else "<="
        print(f"bench check {key}: {got:.4g} (baseline {baseline:g}, must be {bound} {limit:.4g}): "
              + ("ok" if ok else "FAILED"))
        failed += 0 if ok else 1
    print(f"bench check: {'passed' if failed == 0 else f'{failed} ratio(s) regressed'}")
    return failed == 0


def main(argv):
    if len(argv) < 4 or argv[1] not in ("table", "check"):
        sys.exit(__doc__)
    runs = load_runs(argv[3:])
    if argv[1] == "table":
        table(argv[2], runs)
        return 0
    return 0 if check(argv[2], runs) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
