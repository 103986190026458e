#!/usr/bin/env bash
# `make run`: starts the Veltrane window on a desktop. Without a display it
# shows Veltrane at work all the same: it converts copies of the bundled
# samples in a temporary folder with veltrane-convert and prints the messages
# and the first lines of each converted file.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${BUILD:-build}"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  if [ ! -x "$BUILD/app/veltrane" ]; then
    echo "run: $BUILD/app/veltrane was not built (is Qt 6 installed? see scripts/install-deps.sh)" >&2
    exit 1
  fi
  exec "$BUILD/app/veltrane"
fi

echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): converting the samples with veltrane-convert instead."

work="$(mktemp -d "${TMPDIR:-/tmp}/veltrane-run.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp samples/* "$work/"
sources=("$work"/*)

echo
echo "\$ veltrane-convert ${sources[*]}"
status=0
"$BUILD/cli/veltrane-convert" "${sources[@]}" || status=$?

# Each source's output: the TWI becomes SDP_<title>.csv, a CSV <title>.twi.
for source in "${sources[@]}"; do
  name="${source##*/}"
  case "${name,,}" in
    *.twi) output="$work/SDP_${name%.*}.csv" ;;
    *.csv) output="$work/${name%.*}.twi" ;;
    *) continue ;;
  esac
  [ -f "$output" ] || continue
  echo
  echo "== ${output##*/} (first lines) =="
  head -n 12 "$output" | tr -d '\r'
done
exit "$status"
