# Shared by the benchmarks that record the four bench screens: sourced with `work` set to the
# run's scratch folder. Makes the background picture and the screen program, removes the
# folder at exit, and gives start_screen / stop_screen and a private configuration.
pids=()
stop_screen() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    pids=()
}
cleanup() {
    stop_screen
    rm -rf "$work"
}
trap cleanup EXIT

convert -size 1920x1080 -seed 7 plasma:fractal -blur 0x2 -depth 8 "rgb:$work/bg.rgb"
cc -O2 -o "$work/screen" "$here/screens/screen.c" -lX11

# start_screen NAME: draws the screen and waits until it is up.
start_screen() {
    "$work/screen" "$1" "$work/bg.rgb" > "$work/screen.out" &
    pids+=($!)
    for _ in $(seq 100); do grep -q ready "$work/screen.out" 2>/dev/null && break; sleep 0.1; done
    if [ "$1" = video ]; then
        SDL_RENDER_DRIVER=software ffplay -loglevel quiet -an -noborder -left 640 -top 360 \
            -f lavfi -i "testsrc2=size=640x360:rate=30" > /dev/null 2>&1 &
        pids+=($!)
        sleep 2
    fi
}

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_CONFIG_HOME/Quorvanta" "$XDG_DATA_HOME"
