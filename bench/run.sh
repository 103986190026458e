#!/usr/bin/env bash
# Times veltrane-convert on 5,000 generated TWI surveys in one call against
# cp of the same files into a new folder, on this machine, in one run.
# Usage: bench/run.sh [path/to/veltrane-convert] [files]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
convert=${1:-$here/../build/cli/veltrane-convert}
count=${2:-5000}
rounds=6

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
best_convert=""
best_cp=""
# Each round starts both from the same state: no outputs, a new copy folder,
# the disk synced. The two alternate which goes first, so that neither always
# meets the file system's bookkeeping of the other's deletions.
time_cp() {
    local t0 t1
    t0=$(now); cp "$work"/src/*.twi "$work/copy/"; t1=$(now)
    best_cp=$(awk -v a="$t0" -v b="$t1" -v best="$best_cp" 'BEGIN { d = b - a; print (best == "" || d < best) ? d : best }')
}
time_convert() {
    local t0 t1
    t0=$(now); "$convert" "$work"/src/*.twi > /dev/null; t1=$(now)
    best_convert=$(awk -v a="$t0" -v b="$t1" -v best="$best_convert" 'BEGIN { d = b - a; print (best == "" || d < best) ? d : best }')
}
for round in $(seq $rounds); do
    rm -f "$work"/src/SDP_*.csv
    rm -rf "$work/copy" && mkdir "$work/copy"
    sync
    if [ $((round % 2)) -eq 1 ]; then time_cp; sync; time_convert; else time_convert; sync; time_cp; fi
done
converted=$(ls "$work"/src/SDP_*.csv | wc -l)
[ "$converted" -eq "$count" ] || { echo "bench: only $converted of $count converted" >&2; exit 1; }

printf 'files: %d TWI surveys, %.1f MiB\n' "$count" "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')"
printf 'cp (best of %d):               %.3f s\n' "$rounds" "$best_cp"
printf 'veltrane-convert (best of %d): %.3f s\n' "$rounds" "$best_convert"
printf 'ratio: %.2f x cp (target: within 3 x)\n' "$(awk -v c="$best_convert" -v p="$best_cp" 'BEGIN { print c / p }')"
