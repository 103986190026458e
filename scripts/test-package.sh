#!/usr/bin/env bash
# make test's packaging layer, on the packages `make package` left in dist/:
# lintian finds no error; the programs unpacked from the .deb print their
# version, convert the samples to the golden bytes and draw a twist profile;
# so does an install under another DESTDIR and prefix; the manual pages
# render without a groff warning; the desktop entry and the metadata pass
# their validators; and a project of someone else's builds against the
# unpacked veltrane-dev (with CMake and with pkg-config) and converts a
# sample to the golden bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${BUILD:-build}"
version=$(sed -n 's/^#define VELTRANE_VERSION_TEXT "\(.*\)"/\1/p' "$BUILD/generated/VeltraneVersion.h")
runtime=dist/veltrane_${version}_amd64.deb
dev=dist/veltrane-dev_${version}_amd64.deb
work=$(mktemp -d "${TMPDIR:-/tmp}/veltrane-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
checks=0

pass() {
    echo "  ok: $*"
    checks=$((checks + 1))
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Converts copies of the samples with the veltrane-convert given, draws the
# twist profile of one, and compares the outputs with the golden files.
convert_samples() {
    local program=$1 where=$2
    local folder=$work/samples-$where
    mkdir -p "$folder"
    cp samples/BH-07.twi samples/SDP_I-3.csv "$folder/"
    TZ=UTC0 "$program" "$folder/BH-07.twi" "$folder/SDP_I-3.csv" > /dev/null ||
        fail "$where: veltrane-convert did not convert the samples"
    cmp "$folder/SDP_BH-07.csv" tests/data/samples/SDP_BH-07.csv
    cmp "$folder/SDP_I-3.twi" tests/data/samples/SDP_I-3.twi
    TZ=UTC0 "$program" --info --plot svg "$folder/BH-07.twi" > /dev/null 2>&1 ||
        fail "$where: veltrane-convert --plot svg drew nothing"
    grep -q '<svg' "$folder/SDP_BH-07.svg" || fail "$where: SDP_BH-07.svg is no SVG picture"
    pass "$where: veltrane-convert converts the samples to the golden bytes and draws an SVG"
}

[ -f "$runtime" ] && [ -f "$dev" ] || fail "$runtime and $dev were not built (make package)"

# lintian: errors fail. The warnings kept:
# - maintscript-calls-ldconfig (postinst, postrm): CPack calls ldconfig for
#   any shared object under /usr/lib, here the plot module in its private
#   folder /usr/lib/veltrane; the call does no harm.
# - pkg-config-unavailable-for-cross-compilation: veltrane.pc lies in
#   /usr/lib/pkgconfig, beside the static libraries in /usr/lib (the GNU
#   layout of the build, which installs the same under /usr/local), not in a
#   multiarch folder; native builds find it.
# It takes half a minute, so it runs beside the other checks.
lintian --fail-on error --no-tag-display-limit "$runtime" "$dev" > "$work/lintian.txt" 2>&1 &
lintian_pid=$!

root=$work/root
dpkg-deb -x "$runtime" "$root"
dpkg-deb -x "$dev" "$root"
"$root/usr/bin/veltrane-convert" --version | grep -qF "veltrane-convert (Veltrane) $version" ||
    fail "the unpacked veltrane-convert --version printed no version"
"$root/usr/bin/veltrane" --version | grep -q "Veltrane Version" ||
    fail "the unpacked veltrane --version printed no version"
pass "the unpacked programs print their version"
convert_samples "$root/usr/bin/veltrane-convert" "unpacked .deb"

# make install's way, under another folder and prefix than the package's.
DESTDIR="$work/dest" cmake --install "$BUILD" --prefix /opt/veltrane > /dev/null
convert_samples "$work/dest/opt/veltrane/bin/veltrane-convert" "DESTDIR + /opt/veltrane"

for page in "$root"/usr/share/man/man1/*.1.gz; do
    zcat "$page" | groff -ww -man -Tutf8 > /dev/null 2> "$work/groff.txt"
    [ ! -s "$work/groff.txt" ] || { cat "$work/groff.txt"; fail "groff warns about ${page##*/}"; }
done
pass "groff -ww renders the manual pages without a warning"

desktop-file-validate "$root"/usr/share/applications/*.desktop ||
    fail "desktop-file-validate refuses the desktop entry"
appstreamcli validate --no-net --explain "$root"/usr/share/metainfo/*.metainfo.xml \
    > "$work/appstream.txt" 2>&1 || { cat "$work/appstream.txt"; fail "appstreamcli refuses the metadata"; }
! grep -qE '^[EW]:' "$work/appstream.txt" || { cat "$work/appstream.txt"; fail "appstreamcli warns"; }
pass "desktop-file-validate and appstreamcli validate pass"

# A consumer project: CMake's find_package, then pkg-config.
consumer=$work/consumer
cmake -S tests/consumer -B "$consumer" -DCMAKE_PREFIX_PATH="$root/usr" -DCMAKE_BUILD_TYPE=Release \
    > "$work/consumer.txt" 2>&1 && cmake --build "$consumer" >> "$work/consumer.txt" 2>&1 ||
    { cat "$work/consumer.txt"; fail "the consumer project did not build with find_package(Veltrane)"; }
pc_folder=$(dirname "$(find "$root" -name veltrane.pc)")
c++ tests/consumer/convert_one.cpp -o "$consumer/convert_one_pc" \
    $(PKG_CONFIG_PATH="$pc_folder" pkg-config --cflags --libs veltrane) ||
    fail "the consumer program did not build with pkg-config"
for program in "$consumer/convert_one" "$consumer/convert_one_pc"; do
    rm -rf "$work/consumed" && mkdir "$work/consumed" && cp samples/BH-07.twi "$work/consumed/"
    TZ=UTC0 "$program" "$work/consumed/BH-07.twi" > /dev/null ||
        fail "${program##*/} did not convert the sample"
    cmp "$work/consumed/SDP_BH-07.csv" tests/data/samples/SDP_BH-07.csv
done
pass "a project using the installed library builds (CMake, pkg-config) and converts to the golden bytes"

wait "$lintian_pid" || { cat "$work/lintian.txt"; fail "lintian found errors"; }
pass "lintian: no error ($(grep -c '^W:' "$work/lintian.txt" || true) warnings)"

echo "$checks" > "$BUILD/package-checks.count"
echo "Packaging checks passed: $checks."
