#!/usr/bin/env bash
# Builds the Debian package from a build directory (default build/), checks its contents and
# dependencies, installs it with apt-get as a user would, runs the installed program, then
# removes it together with every package the install brought in, and checks that the
# machine's package set is what it was before. Needs root (CI) and the packages of
# tools/packages.txt; the recording check needs xvfb-run and ffprobe.
#   tools/check-package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
[ "$(id -u)" -eq 0 ] || { echo "check-package: needs root (apt-get install)" >&2; exit 2; }

fail() { echo "check-package: $*" >&2; exit 1; }

cmake --build "$build" -j"$(nproc)"
rm -f "$build"/tessaray_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tessaray_*.deb)
echo "built $deb"

# Contents: the installed layout.
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/tessaray ./usr/libexec/tessaray/tessaray-window \
         ./usr/share/applications/tessaray.desktop ./usr/share/metainfo/tessaray.metainfo.xml \
         ./usr/share/man/man1/tessaray.1 ./usr/share/icons/hicolor/48x48/apps/tessaray.png \
         ./usr/share/icons/hicolor/256x256/apps/tessaray.png; do
    grep -qx "$f" <<<"$contents" || fail "$f is not in the package"
done
# Dependencies: the linked libraries and the run-time plug-ins.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libwxgtk3.2-1 libasound2 libgsm1 libpng16-16 libx11-6 gstreamer1.0-plugins-base \
         gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-x \
         libasound2-plugins; do
    grep -q "\b$p\b" <<<"$depends" || fail "Depends lacks $p: $depends"
done

work=$(mktemp -d /tmp/tess-package.XXXXXX)
dpkg-query -W -f '${Package} ${Status}\n' | sort >"$work/before"
installed=0
cleanup() {
    if [ "$installed" = 1 ]; then
        dpkg-query -W -f '${Package} ${Status}\n' | sort >"$work/after"
        # Everything that is installed now and was not before goes again.
        new=$(comm -13 "$work/before" "$work/after" | awk '$4 == "installed" {print $1}')
        if [ -n "$new" ]; then
            # shellcheck disable=SC2086
            DEBIAN_FRONTEND=noninteractive apt-get purge -y $new >/dev/null
        fi
    fi
    rm -rf "$work"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb"
installed=1

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state"
export HOME="$work/home"
mkdir -p "$HOME"
[ "$(command -v tessaray)" = /usr/bin/tessaray ] || fail "tessaray is not /usr/bin/tessaray"
tessaray --version | grep -q '^tessaray [0-9]' || fail "--version"
man -w tessaray >/dev/null || fail "man tessaray finds no page"
desktop-file-validate /usr/share/applications/tessaray.desktop
appstreamcli validate --no-net /usr/share/metainfo/tessaray.metainfo.xml >/dev/null
if command -v xvfb-run >/dev/null && command -v ffprobe >/dev/null; then
    out=$(xvfb-run -a -s "-screen 0 640x480x24" tessaray --record --seconds 1 \
          --region 0,0,320,240 --output "$work/one.wmv")
    [ "$out" = "$work/one.wmv" ] || fail "--record printed '$out'"
    ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$work/one.wmv" |
        grep -qx video || fail "the recording has no video stream"
fi
echo "installed package works"

# Remove it and everything it brought in; the package set must be as it was.
cleanup_check() {
    dpkg-query -W -f '${Package} ${Status}\n' | sort >"$work/after"
    new=$(comm -13 "$work/before" "$work/after" | awk '$4 == "installed" {print $1}')
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get purge -y $new >/dev/null
    installed=0
    dpkg-query -W -f '${Package} ${Status}\n' | sort >"$work/after"
    if ! diff -u "$work/before" "$work/after"; then fail "the package set changed"; fi
    [ ! -e /usr/libexec/tessaray ] || fail "/usr/libexec/tessaray is left behind"
}
cleanup_check
echo "removed again; package set as before"
