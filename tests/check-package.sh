#!/usr/bin/env bash
# Installs the program into a scratch root and builds the Debian package, then checks both as a
# desktop and Debian's lintian see them. Usage: check-package.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
files="usr/bin/zem usr/share/applications/zem.desktop usr/share/icons/hicolor/scalable/apps/zem.svg
       usr/share/metainfo/com.quorvane.zem.metainfo.xml usr/share/man/man1/zem.1.gz
       usr/share/doc/zem/copyright usr/share/doc/zem/changelog.gz"

DESTDIR="$scratch/install" cmake --install "$build" --prefix /usr >/dev/null
for f in $files; do
    [ -f "$scratch/install/$f" ] || fail "cmake --install did not install /$f"
done
desktop-file-validate "$scratch/install/usr/share/applications/zem.desktop" || fail "desktop entry"
metainfo="$scratch/install/usr/share/metainfo/com.quorvane.zem.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "AppStream metainfo"
grep -q '<release version="0.00.0009"' "$metainfo" || fail "metainfo does not carry the version"

(cd "$build" && cpack -G DEB -B "$scratch/deb" >/dev/null)
deb=$(ls "$scratch"/deb/zem_0.00.0009_*.deb) || fail "no package zem_0.00.0009"
listing=$(dpkg-deb -c "$deb")
for f in $files; do
    grep -q " ./$f\$" <<<"$listing" || fail "package lacks /$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libqt6serialport6 qt6-qpa-plugins libqt6svg6; do
    grep -q "$dep" <<<"$depends" || fail "package does not depend on $dep ($depends)"
done
lintian --fail-on error,warning "$deb" 2>/dev/null || fail "lintian"

# The packaged binary starts and keeps running until it is stopped.
dpkg-deb -x "$deb" "$scratch/root"
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$scratch/root/usr/bin/zem" >/dev/null 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "the packaged zem exited with $status instead of running"
echo "package: $(basename "$deb") installs its files, depends on $depends, and lintian finds nothing"
