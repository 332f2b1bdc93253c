#!/usr/bin/env bash
# Builds the Debian package from the build folder given and checks it as a desktop and lintian see it.
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The package is made from what cmake --install puts in place.
(cd "$1" && cpack -G DEB -B "$scratch/deb" >/dev/null)
deb=$(ls "$scratch"/deb/zem_0.00.0009_*.deb) || fail "no package zem_0.00.0009"
dpkg-deb -x "$deb" "$scratch/root"
# lintian, the validators and the start below miss only a missing icon.
[ -f "$scratch/root/usr/share/icons/hicolor/scalable/apps/zem.svg" ] || fail "the package lacks its icon"
desktop-file-validate "$scratch/root/usr/share/applications/zem.desktop" || fail "desktop entry"
metainfo="$scratch/root/usr/share/metainfo/com.quorvane.zem.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >/dev/null && grep -q '<release version="0.00.0009"' "$metainfo" || fail "metainfo"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libqt6serialport6 qt6-qpa-plugins libqt6svg6; do
    grep -q "$dep" <<<"$depends" || fail "the package does not depend on $dep ($depends)"
done
lintian --fail-on error,warning "$deb" 2>/dev/null || fail "lintian"

# The packaged binary starts and keeps running until it is stopped.
QT_QPA_PLATFORM=offscreen timeout 3 "$scratch/root/usr/bin/zem" >/dev/null 2>&1 && status=0 || status=$?
[ "$status" -eq 124 ] || fail "the packaged zem exited with $status instead of running"
# Without a display it says so in one line and exits 1, rather than abort.
said=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$scratch/root/usr/bin/zem" 2>&1) && status=0 || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <<<"$said")" -eq 1 ] || fail "without a display zem exited $status: $said"
echo "package: $(basename "$deb") installs its files, depends on $depends, and lintian finds nothing"
