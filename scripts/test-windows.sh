#!/usr/bin/env bash
# The Windows layer of make test, run under Wine on this machine:
#   1. the core unit tests, cross-built, through ctest;
#   2. veltrane-convert.exe against the Linux build's veltrane-convert: the
#      same outputs and SVG pictures byte for byte, the same messages and exit
#      statuses, also for paths with backslashes, drive letters and names
#      outside ASCII; PNG pictures of the right size with both series;
#      Ctrl-C midway leaves no temporary file;
#   3. the Win32 dialog under Xvfb, driven with xdotool: Enter browses with
#      nothing selected, F1 opens the About box (a picture of both is kept), a
#      file given to it names the title and shows its twist plot, a limit
#      typed marks the intervals over it, Save Picture
#      saves it from Ctrl+S and from the plot's menu (Shift+F10), Enter
#      converts the file; the site, borehole and depth unit typed for a TWI
#      file are refused when the CSV reader would not read them back, and
#      otherwise fill its output's header; the folder chosen for outputs
#      takes them and is kept in %APPDATA% for the next start; files chosen together in Browse or given together
#      are listed and wait for Convert, then convert, are listed with their
#      results, are asked about once, and the list shows only the files not
#      converted on request; Compare on two rows shows them over each other
#      and saves the comparison; Escape cancels a running batch and the window
#      stays; closing during a batch leaves every output whole and no
#      temporary file; at 200% the first size fits the screen;
#   4. the installer: a silent install over an older version and a silent
#      removal, with the files, the Start-menu entry and the file types.
# Prints "windows: N checks passed" at the end; any failure stops it.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
BUILD=${BUILD:-build}
WINDOWS_BUILD=${WINDOWS_BUILD:-build-windows}
linux_cli=$root/$BUILD/cli/veltrane-convert
windows_cli=$root/$WINDOWS_BUILD/cli/veltrane-convert.exe
windows_dialog=$root/$WINDOWS_BUILD/win32/veltrane.exe

WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# A private prefix, no Mono or Gecko prompts, no debug noise, and the zone of
# the tests pinned for both builds.
export WINEPREFIX=$root/$WINDOWS_BUILD/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export TZ="CET-1CEST,M3.5.0,M10.5.0/3"
export LC_ALL=C.UTF-8

xvfb_pid=""
cleanup() {
    "$WINESERVER" -k > /dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2> /dev/null || true
    fi
}
trap cleanup EXIT

checks=0
windows_path() { echo "Z:$1" | tr '/' '\\'; }
fail() {
    echo "windows: FAILED: $*" >&2
    # What the screen showed, for a failure of the dialog.
    if [ -n "${DISPLAY:-}" ] && import -window root "$root/$WINDOWS_BUILD/failed.png" 2> /dev/null; then
        echo "windows: the screen at the failure: $WINDOWS_BUILD/failed.png" >&2
    fi
    exit 1
}

# An X server of our own, on a display number it picks as free, there before
# Wine starts: the desktop process Wine starts first serves every window.
display_file=$root/$WINDOWS_BUILD/xvfb.display
rm -f "$display_file"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3> "$display_file" > /dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
done
[ -s "$display_file" ] || fail "Xvfb did not start"
export DISPLAY=:$(tr -d '[:space:]' < "$display_file")

# One wineserver for the whole run, and Wine's own services started with
# their output sent nowhere: a service that inherited a test's output pipe
# would keep ctest waiting for its end.
if [ ! -d "$WINEPREFIX" ]; then
    "$WINE" wineboot -i > /dev/null 2>&1
fi
"$WINESERVER" -p > /dev/null 2>&1 || true # already running: that one serves
"$WINE" wineboot > /dev/null 2>&1
# A program that crashes ends with a report on standard error, not with a
# window that waits for a click.
"$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    > /dev/null 2>&1

# ---------------------------------------------------------------- 1. unit tests
# A test that fails is shown and run once more on its own: one failed once
# in a dozen runs of a fresh Wine prefix, and passed again. A second failure
# fails the layer; a pass on the second run is reported, never hidden.
if ! ctest --test-dir "$WINDOWS_BUILD" --output-on-failure -j "${JOBS:-2}" \
    > "$WINDOWS_BUILD/ctest.log" 2>&1; then
    grep -A40 -E '\*\*\*Failed|\*\*\*Exception|\*\*\*Timeout' "$WINDOWS_BUILD/ctest.log" || true
    ctest --test-dir "$WINDOWS_BUILD" --rerun-failed --output-on-failure \
        > "$WINDOWS_BUILD/ctest-again.log" 2>&1 \
        || { cat "$WINDOWS_BUILD/ctest-again.log"; fail "unit tests under Wine"; }
    echo "windows: passed on a second run under Wine:" \
        "$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Failed)$/\1/p' "$WINDOWS_BUILD/ctest.log" | tr '\n' ' ')"
fi
units=$(ctest --test-dir "$WINDOWS_BUILD" -N | sed -n 's/^Total Tests: //p')
echo "windows: $units unit tests passed under Wine"
checks=$((checks + units))

# ---------------------------------------------------------------- 2. the .exe against the Linux build
work=$root/$WINDOWS_BUILD/cli-check
rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"

# The shipped files, and dates the clocks skip, before 1970 in UTC, or that
# the calendar moves: each system must read and write them alike.
for dir in linux windows; do
    cp samples/* tests/data/*.csv tests/data/*.twi tests/data/samples/* "$work/$dir/"
    csv=tests/data/spiral_10ft.csv
    twi=tests/data/twi_10ft.twi
    sed 's|^Reading Date(m/d/y),.*|Reading Date(m/d/y),03/28/2010,02:30:00\r|' $csv > "$work/$dir/SDP_gap.csv"
    sed 's|^Reading Date(m/d/y),.*|Reading Date(m/d/y),01/01/1970,00:30:00\r|' $csv > "$work/$dir/SDP_1970.csv"
    sed 's|^Reading Date(m/d/y),.*|Reading Date(m/d/y),02/31/2026,25:75:00\r|' $csv > "$work/$dir/SDP_moved.csv"
    sed 's|^Reading Date(m/d/y),.*|Reading Date(m/d/y),10/31/2010,02:30:00\r|' $csv > "$work/$dir/SDP_repeat.csv"
    sed 's|^12 02 10,  20 28 45|28 03 10,  02 30 00|' $twi > "$work/$dir/gap.twi"
    sed 's|^12 02 10,  20 28 45|01 01 70,  00 30 00|' $twi > "$work/$dir/y1970.twi"
    sed 's|^12 02 10,  20 28 45|31 02 99,  23 59 59|' $twi > "$work/$dir/moved.twi"
done
inputs=$(cd "$work/linux" && ls)

# Runs a converter in a folder; its messages (CR LF made LF on Windows, "\"
# made "/") and exit status land in .out, .err and .status.
run_linux() {
    local dir=$1
    shift
    (cd "$dir" && { "$linux_cli" "$@" > .out 2> .err; echo $? > .status; } || true)
}
run_windows() {
    local dir=$1
    shift
    (cd "$dir" && { "$WINE" "$windows_cli" "$@" > .out.raw 2> .err.raw; echo $? > .status; } || true)
    for stream in out err; do
        tr -d '\r' < "$dir/.$stream.raw" | tr '\\' '/' > "$dir/.$stream"
        rm -f "$dir/.$stream.raw"
    done
}
same_run() {
    local what=$1
    for stream in out err status; do
        cmp -s "$work/linux/.$stream" "$work/windows/.$stream" \
            || { diff "$work/linux/.$stream" "$work/windows/.$stream" | head -20; fail "$what: $stream differs"; }
    done
    checks=$((checks + 1))
}
same_files() {
    local what=$1
    local linux_files windows_files
    linux_files=$(cd "$work/linux" && find . -type f ! -name '.*' | sort)
    windows_files=$(cd "$work/windows" && find . -type f ! -name '.*' | sort)
    [ "$linux_files" = "$windows_files" ] || fail "$what: other files: $(diff <(echo "$linux_files") <(echo "$windows_files"))"
    for file in $linux_files; do
        cmp -s "$work/linux/$file" "$work/windows/$file" || fail "$what: $file differs"
        checks=$((checks + 1))
    done
}

# Every file by its extension, twice: the second run replaces every output,
# one of them read-only, which is replaced and stays read-only on both.
# shellcheck disable=SC2086
for pass in first second; do
    run_linux "$work/linux" $inputs
    run_windows "$work/windows" $inputs
    same_run "$pass batch"
    same_files "$pass batch"
    if [ $pass = first ]; then
        chmod 0444 "$work/linux/SDP_y1970.csv" "$work/windows/SDP_y1970.csv"
    fi
done
for dir in linux windows; do
    # (the test may run as root, for whom -w is always true)
    case $(stat -c %A "$work/$dir/SDP_y1970.csv") in
    *w*) fail "$dir: the replaced read-only output became writable" ;;
    esac
    chmod 0644 "$work/$dir/SDP_y1970.csv"
done
checks=$((checks + 1))
# Every file read as the other format too, where most are refused.
for to in csv twi; do
    # shellcheck disable=SC2086
    run_linux "$work/linux" --to $to $inputs
    # shellcheck disable=SC2086
    run_windows "$work/windows" --to $to $inputs
    same_run "--to $to"
done
same_files "--to csv and --to twi"
# What --info says of each survey.
# shellcheck disable=SC2086
run_linux "$work/linux" --info $inputs
# shellcheck disable=SC2086
run_windows "$work/windows" --info $inputs
same_run "--info"

# The twist plot: SVG from our own code, the same bytes as the Linux build's
# for every survey; PNG through the system's encoder, of the default size,
# with each series in its track; PDF refused as a usage error.
# shellcheck disable=SC2086
run_linux "$work/linux" --info --plot svg $inputs
# shellcheck disable=SC2086
run_windows "$work/windows" --info --plot svg $inputs
same_run "--plot svg"
same_files "--plot svg"
mkdir -p "$work/png"
cp samples/* "$work/png/"
run_windows "$work/png" --info --plot png BH-07.twi SDP_I-3.csv
[ "$(cat "$work/png/.status")" = 0 ] || fail "--plot png: $(cat "$work/png/.err")"
share() { # PICTURE COLOUR X Y WIDTH HEIGHT: the share of pixels near that colour there
    convert "$1" -crop "$5x$6+$3+$4" +repage -fuzz 20% -fill black +opaque "$2" \
        -fill white -opaque "$2" -format '%[fx:mean]' info:
}
for picture in "$work/png/SDP_BH-07.png" "$work/png/SDP_I-3.png"; do
    [ "$(identify -format '%m %w %h' "$picture")" = "PNG 1200 900" ] \
        || fail "$(basename "$picture") is not a PNG of 1200 x 900"
    awk -v blue="$(share "$picture" '#0072b2' 65 72 720 770)" \
        -v orange="$(share "$picture" '#e69f00' 845 72 330 770)" \
        'BEGIN { exit !(blue > 0.002 && orange > 0.002) }' \
        || fail "$(basename "$picture"): a track of the plot is blank"
    checks=$((checks + 1))
done
run_windows "$work/png" --plot pdf BH-07.twi
{ [ "$(cat "$work/png/.status")" = 2 ] && grep -q "cannot draw PDF pictures" "$work/png/.err"; } \
    || fail "--plot pdf was not refused as a usage error"
run_windows "$work/png" --help
grep -q -- '--plot svg|png$' "$work/png/.out" || fail "--help does not list svg and png alone"
checks=$((checks + 2))

# Backslashes, a drive letter and a name outside ASCII: "dir\Скв-1.twi" on
# Windows is "dir/Скв-1.twi" here.
for dir in linux windows; do
    mkdir -p "$work/$dir/dir" "$work/$dir/абс"
    cp samples/BH-07.twi "$work/$dir/dir/Скв-1.twi"
    cp samples/SDP_I-3.csv "$work/$dir/абс/SDP_Скв-2.csv"
done
run_linux "$work/linux" "dir/Скв-1.twi" "$work/linux/абс/SDP_Скв-2.csv"
windows_abs="Z:$(echo "$work/windows/абс/SDP_Скв-2.csv" | tr '/' '\\')"
run_windows "$work/windows" 'dir\Скв-1.twi' "$windows_abs"
sed -i "s|$work/linux/|/|g" "$work/linux/.out" "$work/linux/.err"
sed -i "s|Z:$work/windows/|/|g" "$work/windows/.out" "$work/windows/.err"
same_run "backslash, drive and non-ASCII paths"
[ -f "$work/windows/dir/SDP_Скв-1.csv" ] && [ -f "$work/windows/абс/SDP_Скв-2.twi" ] \
    || fail "no output beside the non-ASCII sources"
same_files "backslash, drive and non-ASCII paths"

# Patterns, which Windows shells leave to the program to expand.
mkdir -p "$work/glob"
cp samples/* "$work/glob/"
(cd "$work/glob" && "$WINE" "$windows_cli" '*.twi' 'SDP_I-?.csv' > /dev/null 2>&1) || fail "patterns"
cmp -s "$work/glob/SDP_BH-07.csv" "$work/linux/SDP_BH-07.csv" && cmp -s "$work/glob/SDP_I-3.twi" "$work/linux/SDP_I-3.twi" \
    || fail "patterns: the outputs differ"
checks=$((checks + 1))

# Ctrl-C midway (Wine turns SIGINT into the console's Ctrl-C event): the
# batch ends as a Ctrl-C ends a program, and no temporary file stays.
mkdir -p "$work/stop"
for i in $(seq 300); do cp samples/BH-07.twi "$work/stop/s$i.twi"; done
(cd "$work/stop" && exec "$WINE" "$windows_cli" ./*.twi > /dev/null 2>&1) &
stop_pid=$!
for _ in $(seq 600); do
    [ -n "$(find "$work/stop" -name '.*' -type f | head -1)" ] && break
    sleep 0.05
done
kill -INT "$stop_pid"
stop_status=0
wait "$stop_pid" || stop_status=$?
left=$(find "$work/stop" -name '.*' -type f | wc -l)
[ "$left" -eq 0 ] || fail "Ctrl-C left $left temporary files"
[ "$stop_status" -eq 58 ] || fail "Ctrl-C: exit status $stop_status, not that of Ctrl-C (0xC000013A)"
checks=$((checks + 1))
echo "windows: Ctrl-C midway leaves no temporary file"

# Only the DLLs every Windows has.
for exe in "$windows_cli" "$windows_dialog"; do
    x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | while read -r dll; do
        case "$dll" in
        kernel32.dll | user32.dll | gdi32.dll | comdlg32.dll | comctl32.dll | shell32.dll | msvcrt.dll | advapi32.dll | \
            gdiplus.dll | ole32.dll) ;;
        *) fail "$(basename "$exe") needs $dll" ;;
        esac
    done
done
checks=$((checks + 1))
echo "windows: veltrane-convert.exe wrote what the Linux build writes ($(echo $inputs | wc -w) surveys)"

# ---------------------------------------------------------------- 3. the dialog under Xvfb
# Without a window manager, Wine keeps the keyboard with a box once it has
# closed, so the boxes get clicks and the test ends the program itself. Xdotool finds
# windows by title regardless of case, so each is checked to the letter.
find_window() { # TITLE [ID TO SKIP]
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2> /dev/null); do
        if [ "$id" != "${2:-}" ] && [ "$(xdotool getwindowname "$id" 2> /dev/null)" = "$1" ]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}
wait_window() { # TITLE [ID TO SKIP], up to 20 s
    for _ in $(seq 200); do
        find_window "$@" && return 0
        sleep 0.1
    done
    return 1
}
wait_gone() { # ID, up to 20 s
    for _ in $(seq 200); do
        xdotool getwindowname "$1" > /dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
# Clicks the point of a window given in its dialog units (the window's size
# in dialog units given too), or in pixels from its bottom centre.
click_units() { # ID X Y WIDTH-IN-UNITS HEIGHT-IN-UNITS
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2 * WIDTH / $4)) $((Y + $3 * HEIGHT / $5)) click 1
}
click_bottom() { # ID PIXELS-RIGHT-OF-CENTRE
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + WIDTH / 2 + $2)) $((Y + HEIGHT - 25)) click 1
}
keys() { # ID KEY...
    local window=$1
    shift
    xdotool windowfocus --sync "$window" > /dev/null 2>&1 || xdotool windowfocus "$window"
    xdotool key --delay 100 "$@"
}

# The output choice an interrupted run kept is forgotten: outputs go beside their sources.
find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/Veltrane/settings.txt' -delete 2> /dev/null || true

# F1 opens the About box; its OK (at 178,34 50x14 of 235x55) closes it.
dialog_dir=$work/dialog
rm -rf "$dialog_dir"
mkdir -p "$dialog_dir"
(cd "$dialog_dir" && exec "$WINE" "$windows_dialog" > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window Veltrane) || fail "the dialog did not show"
# Enter with nothing selected browses; Escape leaves the file dialog.
keys "$main" Return
opener=$(wait_window Open) || fail "Enter with nothing selected did not open the file dialog"
keys "$opener" Escape
wait_gone "$opener" || fail "Escape did not close the file dialog"
find_window Veltrane > /dev/null || fail "Escape in the file dialog closed the window"
click_units "$main" 240 45 389 300 # an empty spot: the window is active again
keys "$main" F1
about=$(wait_window "About Veltrane") || fail "F1 did not open the About box"
sleep 0.5
import -window root "$root/$WINDOWS_BUILD/dialog-about.png"
click_units "$about" 203 41 235 55
wait_gone "$about" || fail "OK did not close the About box"
kill "$dialog_pid"
wait "$dialog_pid" || true
checks=$((checks + 2))
echo "windows: Enter browses with nothing selected, F1 opens the About box" \
    "(picture: $WINDOWS_BUILD/dialog-about.png)"

# Started with a file, as "Open with" starts it: the preview shows its plot
# (right of the summary, from 119,54 to 384,295 of the window's 389x300
# units) in the series' colours, and Ctrl+S saves it as the suggested PNG.
cp samples/BH-07.twi "$dialog_dir/Скв-3.twi"
(cd "$dialog_dir" && exec "$WINE" "$windows_dialog" 'Скв-3.twi' > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window "Скв-3.twi - Veltrane") \
    || fail "the dialog's title does not name the file: $(xdotool search --onlyvisible --name Veltrane getwindowname 2> /dev/null)"
sleep 1
import -window root "$root/$WINDOWS_BUILD/dialog-selected.png"
import -window "$main" "$work/dialog-window.png"
eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^(WIDTH|HEIGHT)=')"
plot_x=$((119 * WIDTH / 389)) plot_y=$((54 * HEIGHT / 300))
plot_w=$((265 * WIDTH / 389)) plot_h=$((241 * HEIGHT / 300))
awk -v blue="$(share "$work/dialog-window.png" '#0072b2' $plot_x $plot_y $plot_w $plot_h)" \
    -v orange="$(share "$work/dialog-window.png" '#e69f00' $plot_x $plot_y $plot_w $plot_h)" \
    'BEGIN { exit !(blue > 0.002 && orange > 0.001) }' || fail "the preview shows no twist plot"
# The limit (Tab path: selection, Browse, direction, Convert, the output
# choice, Choose, the TWI fields, summary, limit) typed marks the intervals over it with tinted
# bands on the plot.
limit_share() { # the share of the plot in the bands' colour, exactly
    import -window "$main" "$work/dialog-window.png"
    convert "$work/dialog-window.png" -crop "${plot_w}x${plot_h}+${plot_x}+${plot_y}" +repage \
        -fuzz 3% -fill black +opaque '#f7d9c4' -fill white -opaque '#f7d9c4' -format '%[fx:mean]' info:
}
awk -v band="$(limit_share)" 'BEGIN { exit !(band < 0.001) }' || fail "bands over a limit before one is typed"
keys "$main" Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab
xdotool type --delay 50 '0.5'
sleep 1
awk -v band="$(limit_share)" 'BEGIN { exit !(band > 0.005) }' \
    || fail "a limit of 0.5 degrees marks no interval on the plot (picture: $work/dialog-window.png)"
import -window root "$root/$WINDOWS_BUILD/dialog-limit.png"
keys "$main" ctrl+s
saver=$(wait_window "Save Picture") || fail "Ctrl+S did not open Save Picture"
sleep 0.5
keys "$saver" Return
wait_gone "$saver" || fail "Save Picture did not close"
for _ in $(seq 50); do
    [ -s "$dialog_dir/SDP_Скв-3.png" ] && break
    sleep 0.1
done
[ "$(identify -format '%m %w %h' "$dialog_dir/SDP_Скв-3.png" 2> /dev/null)" = "PNG 1200 900" ] \
    || fail "Save Picture wrote no PNG of 1200 x 900"
rm "$dialog_dir/SDP_Скв-3.png"
# The plot takes the focus on the Tab path (from the limit), and Shift+F10
# opens its menu, Save Picture first.
keys "$main" Tab shift+F10
sleep 0.5
keys "$main" Down Return
saver=$(wait_window "Save Picture") || fail "the plot's menu from Shift+F10 did not offer Save Picture"
keys "$saver" Escape
wait_gone "$saver" || fail "Save Picture did not close"
click_units "$main" 240 45 389 300 # an empty spot: the window is active again
checks=$((checks + 5))
echo "windows: the dialog names the file in its title, previews it, marks the intervals over a" \
    "limit typed (picture: $WINDOWS_BUILD/dialog-limit.png) and saves its picture"

# Enter converts it (with the focus away from a button) and says so; a
# press of Convert (at 113,32 66x15) asks before it replaces the output,
# and No keeps it.
click_units "$main" 100 15 389 300 # the selection box
keys "$main" Return
message=$(wait_window veltrane) || fail "Enter showed no message"
sleep 0.5
import -window root "$root/$WINDOWS_BUILD/dialog-converted.png"
cmp -s "$dialog_dir/SDP_Скв-3.csv" "$work/linux/SDP_BH-07.csv" \
    || fail "Enter did not convert, or the output differs from the Linux build's"
click_bottom "$message" 0
wait_gone "$message" || fail "OK did not close the message"
printf 'kept' > "$dialog_dir/SDP_Скв-3.csv"
click_units "$main" 240 45 389 300 # an empty spot: the window is active again
click_units "$main" 146 39 389 300
question=$(wait_window veltrane) || fail "no Replace question"
[ "$(cat "$dialog_dir/SDP_Скв-3.csv")" = kept ] || fail "replaced before the answer"
click_bottom "$question" 36 # No, right of the middle
wait_gone "$question" || fail "No did not close the Replace question"
[ "$(cat "$dialog_dir/SDP_Скв-3.csv")" = kept ] || fail "No replaced the output"
kill "$dialog_pid"
wait "$dialog_pid" || true
checks=$((checks + 2))
echo "windows: the dialog converts a file and asks before it replaces one" \
    "(pictures: $WINDOWS_BUILD/dialog-selected.png, dialog-converted.png)"

# The KVN CSV header items a TWI file does not carry, typed for its output
# (Tab path: selection, Browse, direction, Convert, the output choice,
# Choose, site, borehole, depth unit): a borehole the CSV reader would not read back is named under the
# fields and refused on Convert, and nothing is written; corrected, Enter
# writes the three items, which read back as typed.
twi_dir=$work/dialog-twi
rm -rf "$twi_dir"
mkdir -p "$twi_dir"
cp samples/BH-07.twi "$twi_dir/B-7.twi"
(cd "$twi_dir" && exec "$WINE" "$windows_dialog" B-7.twi > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window "B-7.twi - Veltrane") || fail "the dialog did not show with a TWI file"
sleep 1
keys "$main" Tab Tab Tab Tab Tab Tab
xdotool type --delay 30 'Hill Road'
keys "$main" Tab
xdotool type --delay 30 'BH 7,'
keys "$main" Tab Down Down
sleep 0.5
import -window root "$root/$WINDOWS_BUILD/dialog-twi-refused.png"
keys "$main" Return
message=$(wait_window veltrane) || fail "a borehole ending with a comma was not refused"
sleep 0.5
[ ! -e "$twi_dir/SDP_B-7.csv" ] || fail "converted with a borehole the CSV reader would not read back"
click_bottom "$message" 0
wait_gone "$message" || fail "OK did not close the refusal"
keys "$main" shift+Tab End BackSpace Return
message=$(wait_window veltrane) || fail "Enter in the borehole field showed no message"
sleep 0.5
click_bottom "$message" 0
wait_gone "$message" || fail "OK did not close the message"
tr -d '\r' < "$twi_dir/SDP_B-7.csv" | grep -qx 'Site,Hill Road' \
    && tr -d '\r' < "$twi_dir/SDP_B-7.csv" | grep -qx 'Borehole,BH 7' \
    && tr -d '\r' < "$twi_dir/SDP_B-7.csv" | grep -qx 'Depth Units,meters' \
    || fail "the TWI fields are not in the output's header: $(head -12 "$twi_dir/SDP_B-7.csv" | tr -d '\r' | tr '\n' '|')"
"$linux_cli" --info "$twi_dir/SDP_B-7.csv" > "$twi_dir/info" \
    && grep -qx '  Borehole: BH 7' "$twi_dir/info" && grep -qx '  Site: Hill Road' "$twi_dir/info" \
    || fail "the TWI fields do not read back: $(cat "$twi_dir/info")"
kill "$dialog_pid"
wait "$dialog_pid" || true
checks=$((checks + 2))
echo "windows: the TWI fields refuse a borehole that would not read back, and fill the output's" \
    "header (picture: $WINDOWS_BUILD/dialog-twi-refused.png)"

# The output folder: Choose (Tab path: selection, Browse, direction,
# Convert, the output choice, Choose) opens the folder picker, the folder
# typed there takes the outputs, and Enter converts into it, nothing beside
# the source. The choice is kept in %APPDATA%\Veltrane\settings.txt, never
# the registry: started again, the window converts into the same folder.
# The file goes at the end, so that the other checks write beside their sources.
folder_dir=$work/dialog-folder
rm -rf "$folder_dir"
mkdir -p "$folder_dir/out"
cp samples/BH-07.twi "$folder_dir/B-8.twi"
(cd "$folder_dir" && exec "$WINE" "$windows_dialog" B-8.twi > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window "B-8.twi - Veltrane") || fail "the dialog did not show for the output folder"
sleep 1
keys "$main" Tab Tab Tab Tab Tab Return
picker=$(wait_window "Folder for converted files") || fail "Choose opened no folder picker"
sleep 1
xdotool type --delay 20 "$(windows_path "$folder_dir/out")"
keys "$picker" Return
wait_gone "$picker" || fail "the folder picker did not take the folder typed"
sleep 0.5
import -window root "$root/$WINDOWS_BUILD/dialog-folder.png"
click_units "$main" 100 15 389 300 # the selection box
keys "$main" Return
message=$(wait_window veltrane) || fail "Enter showed no message with an output folder"
click_bottom "$message" 0
wait_gone "$message" || fail "OK did not close the message"
cmp -s "$folder_dir/out/SDP_B-8.csv" tests/data/samples/SDP_BH-07.csv \
    && [ ! -e "$folder_dir/SDP_B-8.csv" ] || fail "the output did not go into the chosen folder"
kill "$dialog_pid"
wait "$dialog_pid" || true
settings=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/Veltrane/settings.txt' | head -1)
[ -n "$settings" ] && tr -d '\r' < "$settings" | grep -qx 'output-in-folder=yes' \
    || fail "the output choice was not kept in %APPDATA%\\Veltrane\\settings.txt"
! "$WINE" reg query 'HKCU\Software\Veltrane' > /dev/null 2>&1 || fail "the window wrote to the registry"
rm "$folder_dir/out/SDP_B-8.csv"
(cd "$folder_dir" && exec "$WINE" "$windows_dialog" B-8.twi > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window "B-8.twi - Veltrane") || fail "the dialog did not show again for the output folder"
sleep 1
keys "$main" Return
message=$(wait_window veltrane) || fail "Enter showed no message after the restart"
click_bottom "$message" 0
wait_gone "$message" || fail "OK did not close the message"
[ -s "$folder_dir/out/SDP_B-8.csv" ] && [ ! -e "$folder_dir/SDP_B-8.csv" ] \
    || fail "started again, the window did not convert into the folder it kept"
kill "$dialog_pid"
wait "$dialog_pid" || true
rm "$settings"
checks=$((checks + 2))
echo "windows: outputs go into the folder chosen, and the choice is kept for the next start" \
    "(picture: $WINDOWS_BUILD/dialog-folder.png)"

# Several files chosen together in Browse (Ctrl+O, the names typed in
# quotes) are listed as ready and wait for Convert: nothing is written
# until Ctrl+Enter converts them.
browse_dir=$work/dialog-browse
rm -rf "$browse_dir"
mkdir -p "$browse_dir"
cp samples/BH-07.twi "$browse_dir/B-1.twi"
cp samples/SDP_I-3.csv "$browse_dir/"
(cd "$browse_dir" && exec "$WINE" "$windows_dialog" > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window Veltrane) || fail "the dialog did not show for Browse"
keys "$main" ctrl+o
opener=$(wait_window Open) || fail "Ctrl+O did not open the file dialog"
sleep 1
# The dialog opens in the folder it showed last: first the folder, then the names.
keys "$opener" ctrl+a
xdotool type --delay 20 "$(windows_path "$browse_dir")"
keys "$opener" Return
sleep 1
keys "$opener" ctrl+a
xdotool type --delay 30 '"B-1.twi" "SDP_I-3.csv"'
keys "$opener" Return
wait_gone "$opener" || fail "the file dialog did not take two files"
sleep 2
import -window "$main" "$work/dialog-browse.png"
[ ! -e "$browse_dir/SDP_B-1.csv" ] && [ ! -e "$browse_dir/SDP_I-3.twi" ] \
    || fail "two files chosen in Browse were converted before Convert"
click_units "$main" 240 45 389 300 # an empty spot: the window is active again
keys "$main" ctrl+Return
for _ in $(seq 100); do
    [ -s "$browse_dir/SDP_B-1.csv" ] && [ -s "$browse_dir/SDP_I-3.twi" ] && break
    sleep 0.1
done
cmp -s "$browse_dir/SDP_B-1.csv" tests/data/samples/SDP_BH-07.csv \
    && cmp -s "$browse_dir/SDP_I-3.twi" tests/data/samples/SDP_I-3.twi \
    || fail "Ctrl+Enter did not convert the two files chosen in Browse (picture: $work/dialog-browse.png)"
kill "$dialog_pid"
wait "$dialog_pid" || true
checks=$((checks + 2))
echo "windows: two files chosen in Browse wait for Convert, then convert"

# Four files given together, as Windows passes files dropped on the
# program's icon, one of them no survey: listed as ready, nothing written
# until Enter converts them; then three convert to the golden bytes, and the
# list shows a row for each with the green check mark of a converted file
# (rows told apart by the bands of rows that hold it, in a picture of the
# window), until "Only files not converted" (Tab from the list, and Space)
# leaves the one row not converted.
batch_dir=$work/dialog-batch
rm -rf "$batch_dir"
mkdir -p "$batch_dir"
cp samples/BH-07.twi "$batch_dir/A-1.twi"
cp samples/BH-07.twi "$batch_dir/Скв-2.twi"
cp samples/SDP_I-3.csv "$batch_dir/"
printf 'not a survey\r\n' > "$batch_dir/bad.twi"
batch_files=(A-1.twi 'Скв-2.twi' SDP_I-3.csv bad.twi)
(cd "$batch_dir" && exec "$WINE" "$windows_dialog" "${batch_files[@]}" > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window Veltrane) || fail "the dialog did not show with four files"
sleep 2
import -window "$main" "$root/$WINDOWS_BUILD/dialog-ready.png"
[ -z "$(find "$batch_dir" -name 'SDP_*' ! -name SDP_I-3.csv)" ] \
    || fail "files given together were converted before Convert"
check_rows() { # how many rows show the check mark
    import -window "$main" "$work/dialog-batch.png" 2> /dev/null || return 0
    convert "$work/dialog-batch.png" txt:- | awk -F'[,:]' 'tolower($0) ~ /#00963c/ { print $2 }' \
        | sort -un | awk 'NR == 1 || $1 > last + 1 { rows++ } { last = $1 } END { print rows + 0 }'
}
[ "$(check_rows)" = 0 ] || fail "rows ready for Convert show a result"
keys "$main" Return
rows=0
for _ in $(seq 50); do
    rows=$(check_rows)
    [ "$rows" = 3 ] && break
    sleep 0.2
done
cp "$work/dialog-batch.png" "$root/$WINDOWS_BUILD/dialog-batch.png"
cmp -s "$batch_dir/SDP_A-1.csv" tests/data/samples/SDP_BH-07.csv \
    && cmp -s "$batch_dir/SDP_Скв-2.csv" tests/data/samples/SDP_BH-07.csv \
    && cmp -s "$batch_dir/SDP_I-3.twi" tests/data/samples/SDP_I-3.twi \
    || fail "Enter did not convert the files given together to the golden files"
[ "$rows" = 3 ] || fail "the results list shows $rows converted files, not 3"
# The Tab path: selection, Browse, direction, Convert, the output choice,
# Choose, the three TWI fields, summary, plot, list, filter.
keys "$main" Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab space
for _ in $(seq 25); do
    rows=$(check_rows)
    [ "$rows" = 0 ] && break
    sleep 0.2
done
[ "$rows" = 0 ] || fail "Only files not converted still shows $rows converted files"
cp "$work/dialog-batch.png" "$root/$WINDOWS_BUILD/dialog-filtered.png"
kill "$dialog_pid"
wait "$dialog_pid" || true

# Given again with two outputs changed since: no question until Convert,
# then one question for both, and No keeps both and converts the third again.
printf 'kept' > "$batch_dir/SDP_A-1.csv"
printf 'kept' > "$batch_dir/SDP_I-3.twi"
rm "$batch_dir/SDP_Скв-2.csv"
(cd "$batch_dir" && exec "$WINE" "$windows_dialog" "${batch_files[@]}" > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window Veltrane) || fail "the dialog did not show with four files again"
sleep 1
! find_window veltrane > /dev/null || fail "a Replace question before Convert"
click_units "$main" 146 39 389 300 # Convert
question=$(wait_window veltrane) || fail "no Replace question for the existing outputs"
[ ! -e "$batch_dir/SDP_Скв-2.csv" ] || fail "converted before the Replace question's answer"
click_bottom "$question" 36 # No, right of the middle
wait_gone "$question" || fail "No did not close the Replace question"
for _ in $(seq 50); do
    [ -s "$batch_dir/SDP_Скв-2.csv" ] && break
    sleep 0.1
done
sleep 0.5
! find_window veltrane > /dev/null || fail "a second Replace question"
[ "$(cat "$batch_dir/SDP_A-1.csv" "$batch_dir/SDP_I-3.twi")" = keptkept ] \
    || fail "No replaced the existing outputs"
cmp -s "$batch_dir/SDP_Скв-2.csv" tests/data/samples/SDP_BH-07.csv \
    || fail "No did not convert the file with no output"
kill "$dialog_pid"
wait "$dialog_pid" || true
checks=$((checks + 6))
echo "windows: files given together wait for Convert, convert, are listed, are asked about once," \
    "and the list shows only the file not converted on request" \
    "(pictures: $WINDOWS_BUILD/dialog-ready.png, dialog-batch.png, dialog-filtered.png)"

# Compare: two surveys listed, the first row clicked (at 100,112 of the
# window's 389x300 units, under the output and TWI rows) and the second
# added with Shift+Down, Alt+C draws them over each other in place of the
# survey (the reference black, the next blue, no interval series in
# orange), and Ctrl+S saves the comparison as comparison.png beside them.
compare_dir=$work/dialog-compare
rm -rf "$compare_dir"
mkdir -p "$compare_dir"
cp samples/BH-07.twi "$compare_dir/A.twi"
cp samples/BH-07.twi "$compare_dir/B.twi"
(cd "$compare_dir" && exec "$WINE" "$windows_dialog" A.twi B.twi > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window Veltrane) || fail "the dialog did not show with two surveys to compare"
sleep 1
exact_share() { # COLOUR: its share of the survey's part of the window, within 3%
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$main")"
    import -window "$main" "$work/dialog-compare.png"
    convert "$work/dialog-compare.png" -crop "$((WIDTH * 270 / 389))x$((HEIGHT * 160 / 300))+$((WIDTH * 119 / 389))+$((HEIGHT * 130 / 300))" \
        +repage -fuzz 3% -fill black +opaque "$1" -fill white -opaque "$1" -format '%[fx:mean]' info:
}
click_units "$main" 100 112 389 300
sleep 0.5
awk -v orange="$(exact_share '#e69f00')" 'BEGIN { exit !(orange > 0.001) }' \
    || fail "a row clicked does not preview its survey (picture: $work/dialog-compare.png)"
keys "$main" shift+Down alt+c
sleep 1
awk -v orange="$(exact_share '#e69f00')" -v blue="$(exact_share '#0072b2')" \
    'BEGIN { exit !(orange < 0.0005 && blue > 0.002) }' \
    || fail "Compare on two rows shows no comparison (picture: $work/dialog-compare.png)"
cp "$work/dialog-compare.png" "$root/$WINDOWS_BUILD/dialog-compare.png"
keys "$main" ctrl+s
saver=$(wait_window "Save Picture") || fail "Ctrl+S did not offer to save the comparison"
sleep 0.5
keys "$saver" Return
wait_gone "$saver" || fail "Save Picture did not close for the comparison"
for _ in $(seq 50); do
    [ -s "$compare_dir/comparison.png" ] && break
    sleep 0.1
done
[ "$(identify -format '%m %w %h' "$compare_dir/comparison.png" 2> /dev/null)" = "PNG 1200 900" ] \
    || fail "Save Picture wrote no comparison.png of 1200 x 900 beside the surveys"
kill "$dialog_pid"
wait "$dialog_pid" || true
checks=$((checks + 2))
echo "windows: Compare on two rows shows the surveys over each other and saves the picture" \
    "(picture: $WINDOWS_BUILD/dialog-compare.png)"

# A folder of many surveys, given on the command line: Escape during the run
# cancels it as Cancel does, the window stays, and every output written is
# whole. Converted again, closing the window midway ends the program once
# the files under way are in place: no temporary file is left.
stop_dir=$work/dialog-stop
rm -rf "$stop_dir"
mkdir -p "$stop_dir"
stop_files=600
for i in $(seq $stop_files); do cp samples/BH-07.twi "$stop_dir/s$i.twi"; done
temporary_files() { find "$stop_dir" -name '.*' -type f | wc -l; }
wait_converting() { # until a temporary file shows the run writing
    for _ in $(seq 1200); do
        [ "$(temporary_files)" -gt 0 ] && return 0
        sleep 0.05
    done
    return 1
}
outputs_whole() { # every output has the golden bytes
    local output
    for output in "$stop_dir"/SDP_*.csv; do
        [ -e "$output" ] || continue
        cmp -s "$output" tests/data/samples/SDP_BH-07.csv || return 1
    done
}
(cd "$stop_dir" && exec "$WINE" "$windows_dialog" "$(windows_path "$stop_dir")" > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window Veltrane) || fail "the dialog did not show with a folder"
keys "$main" Return
wait_converting || fail "Enter did not convert the folder"
keys "$main" Escape
for _ in $(seq 200); do
    [ "$(temporary_files)" = 0 ] && break
    sleep 0.1
done
sleep 1
converted=$(find "$stop_dir" -name 'SDP_*.csv' | wc -l)
[ "$(temporary_files)" = 0 ] || fail "Escape left temporary files"
[ "$converted" -lt $stop_files ] || fail "Escape did not cancel the run"
find_window Veltrane > /dev/null || fail "Escape during a run closed the window"
sleep 1
[ "$(find "$stop_dir" -name 'SDP_*.csv' | wc -l)" = "$converted" ] || fail "the run went on after Escape"
outputs_whole || fail "an output of the cancelled run is not whole"
checks=$((checks + 2))
echo "windows: Escape cancels a run of $stop_files files after $converted, and the window stays"

rm -f "$stop_dir"/SDP_*.csv
keys "$main" Return
wait_converting || fail "Enter did not convert the folder again"
keys "$main" alt+F4
for _ in $(seq 300); do
    kill -0 "$dialog_pid" 2> /dev/null || break
    sleep 0.1
done
! kill -0 "$dialog_pid" 2> /dev/null || fail "closing during a run did not end the program"
wait "$dialog_pid" || true
[ "$(temporary_files)" = 0 ] || fail "closing during a run left $(temporary_files) temporary files"
[ "$(find "$stop_dir" -name 'SDP_*.csv' | wc -l)" -lt $stop_files ] || fail "closing did not cancel the run"
outputs_whole || fail "an output of the run closed midway is not whole"
checks=$((checks + 1))
echo "windows: closing the window during a run leaves whole outputs and no temporary file"

# At 200% (192 dots per inch) the window opens within the 800 x 600 screen,
# larger than at 100%.
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f > /dev/null 2>&1
(cd "$dialog_dir" && exec "$WINE" "$windows_dialog" 'Скв-3.twi' > /dev/null 2>&1) &
dialog_pid=$!
main=$(wait_window "Скв-3.twi - Veltrane") || fail "the dialog did not show at 200%"
sleep 1
import -window root "$root/$WINDOWS_BUILD/dialog-200.png"
eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
kill "$dialog_pid"
wait "$dialog_pid" || true
"$WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f > /dev/null 2>&1
[ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 800 ] && [ $((Y + HEIGHT)) -le 600 ] \
    || fail "at 200% the window (${WIDTH}x${HEIGHT} at $X,$Y) does not fit the 800 x 600 screen"
[ "$WIDTH" -gt 700 ] || fail "at 200% the window is only $WIDTH pixels wide"
checks=$((checks + 1))
echo "windows: at 200% the first size fits the screen (picture: $WINDOWS_BUILD/dialog-200.png)"

# ---------------------------------------------------------------- 4. the installer
# The MSI of make windows, installed silently over an older Veltrane, which
# it replaces; the older one refused over it. Then the files, the Start-menu
# entry, .twi opening in the installed window, Veltrane under "Open with" for
# .csv, and the installed veltrane-convert.exe converting a sample. After the
# silent removal, no file or registry value that names Veltrane is left that
# was not there before.
msi_version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$WINDOWS_BUILD/CMakeCache.txt")
msi_name=veltrane-${msi_version%.*}-windows-x86_64
msi=$root/$WINDOWS_BUILD/$msi_name.msi
msi_work=$root/$WINDOWS_BUILD/msi-check
rm -rf "$msi_work"
mkdir -p "$msi_work"
# (Wine's menu builder would copy the Start-menu entry into this machine's menus.)
run_msiexec() {
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d" "$WINE" msiexec "$@" /qn > /dev/null 2>&1
}
# "PRODUCT-CODE VERSION" of each Veltrane in the system's list of programs.
installed_products() {
    "$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2> /dev/null | tr -d '\r' \
        | awk '/^HKEY/ { if (name == "Veltrane") print key, version; n = split($0, part, "\\"); key = part[n]; name = version = "" }
               $1 == "DisplayName" { name = $3 } $1 == "DisplayVersion" { version = $3 }
               END { if (name == "Veltrane") print key, version }'
}
expect_installed() { # VERSION WHEN
    [ "$(installed_products | cut -d' ' -f2)" = "$1" ] || fail "$2, installed: $(installed_products | tr '\n' ' ')"
}
# Every registry line and every file of the Wine prefix that names Veltrane,
# and the installer's cache.
traces() { # FILE
    "$WINE" regedit /e "$(windows_path "$msi_work/registry.reg")" > /dev/null 2>&1
    {
        iconv -f UTF-16 -t UTF-8 "$msi_work/registry.reg" | tr -d '\r' | grep -i veltrane || true
        (cd "$WINEPREFIX/drive_c" && find . -ipath '*veltrane*' -o -path './windows/Installer/*')
    } | sort > "$1"
}
# A Veltrane left installed by an interrupted run is removed first.
installed_products | while read -r code _; do run_msiexec /x "$code" || true; done
traces "$msi_work/before"

(cd "$root/$WINDOWS_BUILD/$msi_name" && wixl -a x64 -D Version=0.9.0.0 -D NextVersion=0.9.1 \
    -o "$msi_work/older.msi" "$root/win32/veltrane.wxs") || fail "wixl did not build an older package"
run_msiexec /i "$(windows_path "$msi_work/older.msi")" || fail "the older package did not install"
expect_installed 0.9.0.0 "after the older package"
run_msiexec /i "$(windows_path "$msi")" || fail "msiexec /i $msi_name.msi /qn failed"
expect_installed "$msi_version" "after the upgrade"
! run_msiexec /i "$(windows_path "$msi_work/older.msi")" || fail "the older package replaced the newer one"
expect_installed "$msi_version" "after the refused downgrade"
checks=$((checks + 1))

for file in veltrane.exe veltrane-convert.exe README.txt; do
    cmp -s "$WINEPREFIX/drive_c/Program Files/Veltrane/$file" "$WINDOWS_BUILD/$msi_name/$file" \
        || fail "not installed as packed: $file"
done
(cd "$WINEPREFIX/drive_c" && find ProgramData users -path '*/Start Menu/Programs/Veltrane.lnk' | grep -q .) \
    || fail "no Start-menu entry"
"$WINE" reg query 'HKCR\.csv\OpenWithProgids' /v Veltrane.CsvSurvey > /dev/null 2>&1 \
    || fail "Veltrane is not under \"Open with\" for .csv"
cp samples/BH-07.twi "$msi_work/Скв 5.twi"
(cd "$msi_work" && "$WINE" 'C:\Program Files\Veltrane\veltrane-convert.exe' 'Скв 5.twi' > /dev/null 2>&1) \
    && cmp -s "$msi_work/SDP_Скв 5.csv" tests/data/samples/SDP_BH-07.csv \
    || fail "the installed veltrane-convert.exe did not write the golden file"
checks=$((checks + 2))

# Opened as Explorer opens it, the .twi starts the installed window with it
# (Wine pads the command line with NULs).
"$WINE" start /unix "$msi_work/Скв 5.twi" > /dev/null 2>&1
window=$(timeout 20 xdotool search --sync --onlyvisible --name Veltrane | head -1) || true
opened=$(xdotool getwindowpid "$window" 2> /dev/null) || fail "opening a .twi started no window"
[ "$(tr '\0' '|' < "/proc/$opened/cmdline" | sed 's/|*$//')" \
    = "C:\\Program Files\\Veltrane\\veltrane.exe|$(windows_path "$msi_work/Скв 5.twi")" ] \
    || fail "opening a .twi started: $(tr '\0' ' ' < "/proc/$opened/cmdline")"
kill "$opened"
checks=$((checks + 1))

run_msiexec /x "$(windows_path "$msi")" || fail "msiexec /x $msi_name.msi /qn failed"
traces "$msi_work/after"
diff "$msi_work/before" "$msi_work/after" > "$msi_work/left" || { head -20 "$msi_work/left"; fail "the removal left traces"; }
checks=$((checks + 1))
echo "windows: the MSI installs over an older one, converts, opens .twi files and uninstalls cleanly"

echo "$checks" > "$WINDOWS_BUILD/windows-checks.count"
echo "windows: $checks checks passed"
