#!/usr/bin/env bash
# Runs every benchmark of a Release build and prints the tables of
# bench/README.md, with the machine, the build and the load they came from.
# Each figure is the best of ROUNDS rounds: on a shared machine the best
# round is the one least disturbed by other programs.
#   BUILD   the Release build folder (default build-release)
#   ROUNDS  rounds of each benchmark (default 5)
#   DISK=1  also times the batch on the disk (/tmp), not only on tmpfs
# make bench builds and runs it: make bench ROUNDS=7 DISK=1.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD:-$here/../build-release}
rounds=${ROUNDS:-5}
tmpfs=/dev/shm

for program in bench/bench_convert cli/veltrane-convert; do
    [ -x "$build/$program" ] || { echo "bench: no $build/$program (make bench builds it)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

load() { cut -d' ' -f1-3 /proc/loadavg; }
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
commit=$(git -C "$here/.." rev-parse --short HEAD 2>/dev/null || echo unknown)
dirty=$(git -C "$here/.." status --porcelain 2>/dev/null | grep -qv '^??' && echo ", with local changes" || true)
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
echo "Machine: $(nproc) cores, $cpu, $(uname -sr)"
echo "Build: $commit$dirty, $type, $("$compiler" --version | head -1)"
echo "Load average at the start: $(load)"

# Runs a Google Benchmark program for its rounds and keeps its JSON report.
google() {
    local name=$1; shift
    [ -x "$build/bench/$name" ] || return 1
    TMPDIR=$tmpfs QT_QPA_PLATFORM=offscreen "$build/bench/$name" \
        --benchmark_repetitions="$rounds" --benchmark_report_aggregates_only=false \
        --benchmark_format=json "$@" > "$work/$name.json" 2> /dev/null
}

# The tables, from the JSON reports: the best (lowest) time of each
# benchmark over its rounds.
tables() {
    python3 - "$work" "$1" <<'PY'
import json, os, sys
work, which = sys.argv[1], sys.argv[2]

def best(name, field):
    path = os.path.join(work, name + ".json")
    if not os.path.exists(path):
        return None
    runs = {}
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type") == "aggregate":
            continue
        key = b["run_name"]
        factor = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
        value = b[field] * factor
        if key not in runs or value < runs[key][0]:
            runs[key] = (value, b)
    return runs

def ms(value):
    return "%.3g ms" % value if value < 1000 else "%.0f ms" % value

if which == "convert":
    # CPU time: on tmpfs the whole conversion, system calls included, is the
    # process's own work, and CPU time is what other programs disturb least.
    runs = best("bench_convert", "cpu_time")
    print("\n## Stations per survey (bench_convert, tmpfs, CPU time)\n")
    print("| Stations | TWI to CSV | CSV to TWI |")
    print("|---|---|---|")
    for n in (100, 1000, 10000, 100000, 999999):
        row = [ms(runs["%s/%d" % (d, n)][0]) for d in ("TwiToCsv", "CsvToTwi")]
        print("| {:,} | {} | {} |".format(n, *row))
elif which == "numbers":
    runs = best("bench_numbers", "cpu_time")
    if runs:
        ns = lambda name: "%.1f ns" % (runs[name][0] * 1e6) if name in runs else ""
        print("\n## Number conversions (bench_numbers, CPU time)\n")
        print("| Call | short path | general path | printf / sscanf |")
        print("|---|---|---|---|")
        for label, names in (
                ("`AppendFixed`, 1 decimal", ("Fixed1", "Fixed1Previous", "Fixed1Printf")),
                ("`AppendFixedSpaceSigned`, 1 decimal", ("SpaceSigned1", "SpaceSigned1Previous", "")),
                ("`AppendFixedZeroPadded`, width 6, 2 decimals", ("ZeroPadded2", "ZeroPadded2Previous", "")),
                ("`ScanDouble`, TWI and CSV texts", ("Scan", "ScanPrevious", "ScanSscanf"))):
            print("| %s | %s |" % (label, " | ".join(ns(n) for n in names)))
elif which == "plot":
    runs = best("bench_plot", "cpu_time")
    if runs:
        print("\n## Drawing the twist plot (bench_plot, CPU time)\n")
        print("| Stations | Profile | Image | SVG | SVG size |")
        print("|---|---|---|---|---|")
        for n in (100, 10000, 100000):
            svg = runs["DrawSvg/%d" % n]
            print("| {:,} | {:.2g} ms | {} | {} | {:.0f} KB |".format(
                n, runs["Profile/%d" % n][0], ms(runs["DrawImage/%d" % n][0]), ms(svg[0]),
                svg[1]["svg_bytes"] / 1000))
    runs = best("bench_preview", "real_time")
    if runs:
        print("\n## The window's preview (bench_preview, wall time)\n")
        print("A survey of 100,000 stations, from the selection to the painted plot: %s"
              % ms(runs["PreviewLargeSurvey/real_time"][0]))
PY
}

google bench_convert
tables convert
google bench_numbers && tables numbers
google bench_plot || true
google bench_preview || true
tables plot

# The batch against cp: bench/run.sh keeps the best of its own rounds.
echo
echo "## Batch conversion against cp (bench/run.sh)"
for where in tmpfs ${DISK:+disk}; do
    folder=$tmpfs
    [ "$where" = disk ] && folder=/tmp
    echo
    TMPDIR=$folder ROUNDS=$rounds bash "$here/run.sh" "$build/cli/veltrane-convert"
done
echo
echo "Load average at the end: $(load)"
