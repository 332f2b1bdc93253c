#!/usr/bin/env bash
# Installs the program into a scratch root and builds the Debian package, then checks both as a
# desktop would see them. Usage: check-package.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$scratch/install" cmake --install "$build" --prefix /usr >/dev/null
for f in usr/bin/zem usr/share/applications/zem.desktop usr/share/icons/hicolor/scalable/apps/zem.svg \
         usr/share/metainfo/com.quorvane.zem.metainfo.xml; do
    [ -f "$scratch/install/$f" ] || fail "cmake --install did not install /$f"
done
desktop-file-validate "$scratch/install/usr/share/applications/zem.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$scratch/install/usr/share/metainfo/com.quorvane.zem.metainfo.xml" \
    >/dev/null || fail "AppStream metainfo"
grep -q '<release version="0.00.0009"' "$scratch/install/usr/share/metainfo/com.quorvane.zem.metainfo.xml" \
    || fail "metainfo does not carry the version"

(cd "$build" && cpack -G DEB -B "$scratch/deb" >/dev/null)
deb=$(ls "$scratch"/deb/zem_0.00.0009_*.deb) || fail "no package zem_0.00.0009"
listing=$(dpkg-deb -c "$deb")
for f in ./usr/bin/zem ./usr/share/applications/zem.desktop ./usr/share/icons/hicolor/scalable/apps/zem.svg \
         ./usr/share/metainfo/com.quorvane.zem.metainfo.xml; do
    grep -q " $f\$" <<<"$listing" || fail "package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libqt6serialport6 qt6-qpa-plugins libqt6svg6; do
    grep -q "$dep" <<<"$depends" || fail "package does not depend on $dep ($depends)"
done

# The packaged binary starts and keeps running until it is stopped.
dpkg-deb -x "$deb" "$scratch/root"
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$scratch/root/usr/bin/zem" >/dev/null 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "the packaged zem exited with $status instead of running"
echo "package: $(basename "$deb") installs its four files and depends on $depends"
