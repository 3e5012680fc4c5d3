#!/usr/bin/env bash
# A headless Wayland desktop for the tests:
#   desktop.sh start DIR     starts it; then `. DIR/env` gives its environment
#   desktop.sh stop DIR      stops everything that start started there
#   desktop.sh backend DIR   starts the screen-cast back end again after a test ended it
#
# The desktop: a private session D-Bus (which root may also use), PipeWire with WirePlumber,
# sway on its headless back end with one 1920x1080 output (HEADLESS-1), Xwayland, a bar
# whose clock changes five times a second (the screen-cast portal sends a frame only when the
# screen changes), xdg-desktop-portal-wlr and xdg-desktop-portal. sway refuses to run as
# root, so when started by root the desktop runs as the unprivileged user tess-wayland (made
# if missing), with its own XDG_RUNTIME_DIR under DIR; otherwise it runs as the caller.
#
# The environment file sets WAYLAND_DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS,
# DISPLAY (sway's Xwayland; the names are read from the compositor, never assumed),
# XDG_SESSION_TYPE=wayland, XDG_CURRENT_DESKTOP=sway, SWAYSOCK, TESS_WL_OUTPUT=HEADLESS-1,
# TESS_WL_DESKTOP_DIR=DIR and TESS_WL_CHOOSER_COUNT, a file that gets one line each time the
# portal's output chooser runs. The chooser picks HEADLESS-1 at once, or answers what the file
# TESS_WL_CHOOSER_ANSWER holds while it exists (empty: the user cancelled). The portal keeps
# its grants (persist mode permanent), so a restore token spares the chooser.
#
# Every process started here carries TESS_WL_DIR=DIR in its environment; stop ends exactly
# the processes that carry it, so desktops in other directories (and other programs of the
# same user) are left alone, and start first clears what an earlier run left in DIR.
# Exit status: 0 done, 1 failed (the message names the service; logs in DIR/log/), 2 usage,
# 77 a program the desktop needs is not installed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
test_user=tess-wayland
output=HEADLESS-1

usage() {
    echo "usage: $0 start|stop|backend DIR" >&2
    exit 2
}
fail() {
    echo "desktop.sh: $*" >&2
    exit 1
}

[ $# -eq 2 ] || usage
cmd=$1
mkdir -p "$2"
dir=$(cd "$2" && pwd)

if [ "$(id -u)" -eq 0 ]; then
    if ! id -u "$test_user" >/dev/null 2>&1; then
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
            "$test_user" 2>/dev/null || id -u "$test_user" >/dev/null 2>&1 ||
            fail "cannot create the user $test_user"
    fi
    user=$test_user
    as_user=(setpriv --reuid="$user" --regid="$user" --init-groups --)
else
    user=$(id -un)
    as_user=()
fi

# The pids of the processes whose environment holds TESS_WL_DIR=$dir. A process's environment
# is readable by its own user (root may lack the capability to read other users'), so the
# desktop's user looks too.
# shellcheck disable=SC2016
scan='for p in /proc/[0-9]*; do
    if { tr "\\0" "\\n" <"$p/environ"; } 2>/dev/null | grep -qxF "TESS_WL_DIR=$1"; then
        echo "${p#/proc/}"
    fi
done'
desktop_pids() {
    {
        bash -c "$scan" scan "$dir"
        if [ ${#as_user[@]} -gt 0 ]; then "${as_user[@]}" bash -c "$scan" scan "$dir"; fi
    } | sort -u
}

stop_desktop() {
    local pids
    pids=$(desktop_pids)
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086
    kill -TERM $pids 2>/dev/null || true
    for _ in $(seq 1 30); do
        pids=$(desktop_pids)
        [ -n "$pids" ] || return 0
        sleep 0.1
    done
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null || true
    for _ in $(seq 1 20); do
        [ -n "$(desktop_pids)" ] || return 0
        sleep 0.1
    done
    echo "desktop.sh: processes of $dir did not end: $(desktop_pids | tr '\n' ' ')" >&2
    return 1
}

bus_socket="$dir/run/bus"
user_home="$dir/home"
base_env=(env -i TESS_WL_DIR="$dir" HOME="$user_home" USER="$user" LOGNAME="$user"
    PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$dir/run"
    XDG_CONFIG_HOME="$user_home/.config" XDG_DATA_HOME="$user_home/.local/share"
    XDG_CACHE_HOME="$user_home/.cache" XDG_STATE_HOME="$user_home/.local/state"
    DBUS_SESSION_BUS_ADDRESS="unix:path=$bus_socket" XDG_SESSION_TYPE=wayland
    XDG_CURRENT_DESKTOP=sway)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$bus_socket" XDG_RUNTIME_DIR="$dir/run"

# run_bg LOG COMMAND...: starts COMMAND in the background as the desktop's user, in the
# desktop's environment, its output in $dir/log/LOG.log.
run_bg() {
    local log=$1
    shift
    setsid "${as_user[@]}" "${base_env[@]}" "$@" >"$dir/log/$log.log" 2>&1 </dev/null &
}

# wait_for WHAT SECONDS COMMAND...: retries COMMAND until it succeeds; a start that fails
# takes down what it started.
wait_for() {
    local what=$1 secs=$2
    shift 2
    for _ in $(seq 1 $((secs * 10))); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    if [ "$cmd" = start ]; then stop_desktop || true; fi
    fail "$what did not come up within $secs s (logs in $dir/log/)"
}

has_owner() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q 'boolean true'
}

# The compositor's names for its sockets, as its exec line wrote them.
load_session_env() {
    set -a
    # shellcheck disable=SC1091
    . "$dir/run/session-env"
    set +a
}

start_backend() {
    local preload=()
    if [ -f "$dir/etc/screencopy-format-shim.so" ]; then
        preload=(LD_PRELOAD="$dir/etc/screencopy-format-shim.so")
    fi
    run_bg xdpw env WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DISPLAY="$DISPLAY" SWAYSOCK="$SWAYSOCK" \
        "${preload[@]}" XDPW_PERSIST_MODE=permanent \
        /usr/libexec/xdg-desktop-portal-wlr -l DEBUG -c "$dir/etc/xdpw.conf"
    wait_for "xdg-desktop-portal-wlr" 10 has_owner org.freedesktop.impl.portal.desktop.wlr
}

case "$cmd" in
stop)
    stop_desktop
    exit $?
    ;;
backend)
    [ -s "$dir/run/session-env" ] || fail "no desktop runs in $dir"
    load_session_env
    has_owner org.freedesktop.impl.portal.desktop.wlr || start_backend
    exit 0
    ;;
start) ;;
*) usage ;;
esac

for prog in sway Xwayland dbus-daemon pipewire wireplumber pw-cli dbus-send gdbus xdpyinfo \
    xhost swaymsg; do
    command -v "$prog" >/dev/null 2>&1 || { echo "desktop.sh: $prog is not installed" >&2; exit 77; }
done
for prog in /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-wlr; do
    [ -x "$prog" ] || { echo "desktop.sh: $prog is not installed" >&2; exit 77; }
done

# What an earlier run left behind.
stop_desktop || fail "cannot clear the earlier desktop in $dir"
rm -rf "${dir:?}/run" "${dir:?}/home" "${dir:?}/log" "${dir:?}/etc" "${dir:?}/env" \
    "${dir:?}/chooser-count" "${dir:?}/chooser-answer"
# Xwayland puts its socket there; the suite's Xvfb has usually made it already.
if [ ! -d /tmp/.X11-unix ]; then mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; fi

mkdir -p "$dir/run" "$dir/home" "$dir/log" "$dir/etc/dbus-services"
chmod 755 "$dir" "$dir/log" "$dir/etc" "$dir/home"
chmod 700 "$dir/run"
: >"$dir/chooser-count"
if [ "$(id -u)" -eq 0 ]; then
    chown "$user:" "$dir/run" "$dir/home" "$dir/log" "$dir/chooser-count"
    "${as_user[@]}" test -w "$dir/run" ||
        fail "$user cannot reach $dir (a directory above it is private to root)"
fi

# -- configuration ------------------------------------------------------------------------
# Only the permission store may be started by the bus (the screen-cast portal keeps its grants
# there); the portals are started below with this environment, and a test that ends one must
# not see the bus bring it back.
if [ -f /usr/share/dbus-1/services/org.freedesktop.impl.portal.PermissionStore.service ]; then
    grep -v '^SystemdService=' \
        /usr/share/dbus-1/services/org.freedesktop.impl.portal.PermissionStore.service \
        >"$dir/etc/dbus-services/org.freedesktop.impl.portal.PermissionStore.service"
fi
cat >"$dir/etc/dbus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$bus_socket</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$dir/etc/dbus-services</servicedir>
  <policy context="default">
    <allow user="$user"/>
    <allow user="root"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF

# The chooser answers the output's name, or what the file chooser-answer says (empty: the
# user cancelled).
cat >"$dir/etc/chooser.sh" <<EOF
#!/bin/sh
echo chosen >>"$dir/chooser-count"
if [ -f "$dir/chooser-answer" ]; then cat "$dir/chooser-answer"; else echo $output; fi
EOF
chmod 755 "$dir/etc/chooser.sh"

cat >"$dir/etc/xdpw.conf" <<EOF
[screencast]
chooser_type=simple
chooser_cmd=$dir/etc/chooser.sh
max_fps=60
EOF

# The exec line hands the compositor's own names for its sockets to this script.
cat >"$dir/etc/sway.conf" <<EOF
output $output resolution 1920x1080 position 0 0 bg #204060 solid_color
xwayland force
default_border none
focus_follows_mouse no
bar {
    position top
    status_command while :; do date +%H:%M:%S.%N | cut -c1-10; sleep 0.2; done
}
exec env | grep -E '^(WAYLAND_DISPLAY|DISPLAY|SWAYSOCK)=' >$dir/run/session-env.tmp && mv $dir/run/session-env.tmp $dir/run/session-env
EOF

if [ ! -e /dev/dri ]; then
    # xdg-desktop-portal-wlr 0.7.0 wants a DMA-BUF format that the software renderer never
    # announces; see the comment in the library.
    command -v cc >/dev/null 2>&1 || fail "a C compiler is needed for the screen-copy shim"
    cc -shared -fPIC -O2 -o "$dir/etc/screencopy-format-shim.so" \
        "$here/screencopy-format-shim.c" -ldl -lpthread ||
        fail "cannot build the screen-copy shim"
fi

# -- start --------------------------------------------------------------------------------
run_bg dbus dbus-daemon --nofork --nopidfile --config-file="$dir/etc/dbus.conf"
wait_for "the session bus" 10 dbus-send --session --print-reply --dest=org.freedesktop.DBus \
    /org/freedesktop/DBus org.freedesktop.DBus.GetId

run_bg pipewire pipewire
wait_for "PipeWire" 10 timeout 3 pw-cli info 0
run_bg wireplumber wireplumber
wait_for "WirePlumber" 15 sh -c 'timeout 3 pw-cli ls Client | grep -qi wireplumber'

run_bg sway env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 \
    WLR_LIBINPUT_NO_DEVICES=1 sway -c "$dir/etc/sway.conf"
wait_for "sway" 20 test -s "$dir/run/session-env"
load_session_env
[ -n "${WAYLAND_DISPLAY:-}" ] || fail "sway did not name its Wayland socket"
[ -n "${DISPLAY:-}" ] || fail "sway did not start Xwayland"
wait_for "sway's output $output" 10 sh -c "swaymsg -t get_outputs | grep -q '\"$output\"'"
if [ "$(id -u)" -eq 0 ]; then
    # Xwayland admits its own user only; the tests run as root.
    wait_for "Xwayland on $DISPLAY" 20 "${as_user[@]}" env DISPLAY="$DISPLAY" \
        xhost +si:localuser:root
fi
wait_for "Xwayland on $DISPLAY" 20 xdpyinfo -display "$DISPLAY"

start_backend
# The portal itself runs as the caller: it tells an application by reading /proc/PID/root of
# the process that calls it, which only the caller's own user can count on being allowed.
setsid "${base_env[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DISPLAY="$DISPLAY" \
    /usr/libexec/xdg-desktop-portal --verbose >"$dir/log/portal.log" 2>&1 </dev/null &
wait_for "xdg-desktop-portal" 15 sh -c 'gdbus introspect --session \
    --dest org.freedesktop.portal.Desktop --object-path /org/freedesktop/portal/desktop \
    | grep -q org.freedesktop.portal.ScreenCast'

cat >"$dir/env" <<EOF
export WAYLAND_DISPLAY='$WAYLAND_DISPLAY'
export DISPLAY='$DISPLAY'
export SWAYSOCK='$SWAYSOCK'
export XDG_RUNTIME_DIR='$dir/run'
export DBUS_SESSION_BUS_ADDRESS='unix:path=$bus_socket'
export XDG_SESSION_TYPE=wayland
export XDG_CURRENT_DESKTOP=sway
export TESS_WL_OUTPUT=$output
export TESS_WL_CHOOSER_COUNT='$dir/chooser-count'
export TESS_WL_CHOOSER_ANSWER='$dir/chooser-answer'
export TESS_WL_DESKTOP_DIR='$dir'
EOF
echo "desktop.sh: Wayland desktop up in $dir (WAYLAND_DISPLAY=$WAYLAND_DISPLAY DISPLAY=$DISPLAY)"
