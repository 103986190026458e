#!/usr/bin/env bash
# Times veltrane-convert on 5,000 generated TWI surveys in one call (and a
# second call over them, every output up to date) against
# cp of the same files into a new folder, and against cp followed by sync
# (the durable baseline: veltrane-convert puts its outputs on the disk before
# it reports them), on this machine, in one run. The folder is under TMPDIR:
# TMPDIR=/dev/shm bench/run.sh measures tmpfs, the default /tmp the disk.
# Prints a row of the table in bench/README.md; the best of ROUNDS rounds
# (default 6) counts.
# Usage: [ROUNDS=N] bench/run.sh [path/to/veltrane-convert] [files]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
convert=${1:-$here/../build/cli/veltrane-convert}
count=${2:-5000}
rounds=${ROUNDS:-6}

[ -x "$convert" ] || { echo "bench: build first (make), no $convert" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"

# Realistic surveys: depth 100 to 300, interval 0.5 or 2.0, a slow twist.
python3 - "$work/src" "$count" <<'PY'
import random, sys
folder, count = sys.argv[1], int(sys.argv[2])
random.seed(2026)
for n in range(count):
    interval = random.choice([0.5, 2.0])
    depth = float(random.randrange(100, 301))
    stations = int(depth / interval)
    lines = [" D  M  Y    H  M  S",
             "%.2d %.2d %.2d,  %.2d %.2d %.2d     RUN ID.   : 0000" % (
                 random.randint(1, 28), random.randint(1, 12), random.randint(0, 26),
                 random.randint(0, 23), random.randint(0, 59), random.randint(0, 59)),
             "DEPTH     : %.1f" % depth, "INTERVAL  : %.1f" % interval]
    total, sums = 0.0, []
    for _ in range(stations):
        total += random.gauss(0.05, 0.2)
        sums.append(total)
    for i in range(stations, 0, -1):
        lines.append("%06.2f,    " % (i * interval) + "% .1f deg" % sums[i - 1])
    lines += ["", "RUN END"]
    with open("%s/S%05d.twi" % (folder, n), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode())
PY

bytes=$(du -sb "$work/src" | cut -f1)
now() { date +%s.%N; }
# best_<name> keeps the best time of each contender over the rounds.
declare -A best
record() {
    local name=$1 t0=$2 t1=$3
    best[$name]=$(awk -v a="$t0" -v b="$t1" -v best="${best[$name]:-}" \
        'BEGIN { d = b - a; print (best == "" || d < best) ? d : best }')
}
time_cp() {
    local t0; t0=$(now); cp "$work"/src/*.twi "$work/copy/"; record cp "$t0" "$(now)"
}
time_cp_sync() {
    local t0; t0=$(now); cp "$work"/src/*.twi "$work/copy/"; sync; record cp_sync "$t0" "$(now)"
}
time_convert() {
    local name=$1; shift
    local t0; t0=$(now); "$convert" "$@" "$work"/src/*.twi > /dev/null; record "$name" "$t0" "$(now)"
    local converted; converted=$(find "$work/src" -name 'SDP_*.csv' | wc -l)
    [ "$converted" -eq "$count" ] || { echo "bench: only $converted of $count converted" >&2; exit 1; }
}
# A second run over the same sources, all up to date: left alone, not
# rewritten. The first conversion is not timed here.
time_rerun() {
    "$convert" "$work"/src/*.twi > /dev/null
    sync
    local t0; t0=$(now); "$convert" "$work"/src/*.twi > /dev/null; record rerun "$t0" "$(now)"
}
reset() {
    rm -f "$work"/src/SDP_*.csv
    rm -rf "$work/copy" && mkdir "$work/copy"
    sync
}
# Each contender starts from the same state: no outputs, a new copy folder,
# the disk synced. The order turns from round to round, so that none always
# meets the file system's bookkeeping of another's deletions.
contenders=(time_cp time_cp_sync "time_convert convert" "time_convert convert_j1 -j 1" time_rerun)
for round in $(seq $rounds); do
    for i in "${!contenders[@]}"; do
        pick=${contenders[$(( (i + round) % ${#contenders[@]} ))]}
        reset
        $pick
    done
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
seconds() { awk -v t="$1" 'BEGIN { printf "%.3f s", t }'; }
printf '%d TWI surveys, %.1f MiB, best of %d rounds:\n\n' "$count" \
    "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')" "$rounds"
echo "| Where | cp | cp + sync | veltrane-convert (one file a core) | -j 1 | ratio | again, all up to date |"
echo "|---|---|---|---|---|---|---|"
printf '| %s | %s | %s | %s | %s | %s x cp, %s x cp + sync | %s, %s x cp |\n' \
    "$(df -T "$work" | awk 'NR == 2 { print $2 }')" "$(seconds "${best[cp]}")" \
    "$(seconds "${best[cp_sync]}")" "$(seconds "${best[convert]}")" \
    "$(seconds "${best[convert_j1]}")" "$(ratio "${best[convert]}" "${best[cp]}")" \
    "$(ratio "${best[convert]}" "${best[cp_sync]}")" "$(seconds "${best[rerun]}")" \
    "$(ratio "${best[rerun]}" "${best[cp]}")"
