#!/usr/bin/env bash
# Starts a private PulseAudio daemon for the sound tests: a null sink, and as the default
# source a 440 Hz tone at half of full scale (8000 Hz, 16-bit mono), reached by ALSA
# programs through the "pulse" plug-in; and the desktop's output, the null sink "desktop"
# (48000 Hz stereo, "Monitor of Desktop" its monitor) playing 1000 Hz at half of full scale. Writes the daemon's pid to
# $XDG_RUNTIME_DIR/pulse-test.pid. A missing daemon is not an error here: the sound tests
# then skip with a message.
#
# The tone comes from a live GStreamer source paced by the clock, through a FIFO that a pipe
# source reads, so it arrives in real time as a microphone's sound does. The timer-driven
# test sources of the daemon itself (a sine source, a null sink's monitor) hand out up to
# two seconds at once, ahead of or behind real time, which makes a recording's sound look
# longer or shorter than the recording.
#
# The daemon runs under a keeper shell that waits for it and then ends the feeder and the
# reader, however the daemon ended (killed by a test, or by tools/test.sh at the end of the
# run): a feeder that had not opened the FIFO yet would otherwise wait for ever to open it.
set -u
command -v pulseaudio >/dev/null 2>&1 || { echo "pulseaudio not installed: sound tests skip"; exit 0; }
: "${XDG_RUNTIME_DIR:?}"
cfg="$XDG_RUNTIME_DIR/pulse-test.pa"
fifo="$XDG_RUNTIME_DIR/pulse-test-tone.fifo"
pidfile="$XDG_RUNTIME_DIR/pulse-test.pid"
rm -f "$fifo" "$pidfile"
cat > "$cfg" <<PA
load-module module-native-protocol-unix
load-module module-null-sink sink_name=testsink rate=8000
load-module module-null-sink sink_name=desktop rate=48000 channels=2 sink_properties=device.description=Desktop
load-module module-pipe-source source_name=tone file=$fifo format=s16le rate=8000 channels=1
set-default-sink testsink
set-default-source tone
load-module module-always-sink
PA

answers() { pactl info >/dev/null 2>&1; }

(
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
        --log-target=file:"$XDG_RUNTIME_DIR/pulse.log" -F "$cfg" &
    daemon=$!
    echo $daemon > "$pidfile.tmp" && mv "$pidfile.tmp" "$pidfile"
    up=0
    for _ in $(seq 1 50); do
        if answers; then up=1; break; fi
        kill -0 $daemon 2>/dev/null || break
        sleep 0.1
    done
    helpers=()
    if [ "$up" = 1 ] && command -v gst-launch-1.0 >/dev/null 2>&1; then
        gst-launch-1.0 -q audiotestsrc is-live=true freq=440 volume=0.5 samplesperbuffer=160 \
            ! audio/x-raw,format=S16LE,rate=8000,channels=1 \
            ! filesink location="$fifo" buffer-mode=unbuffered &
        helpers+=($!)
        # A pipe source reads its FIFO only while somebody records from it; a standing
        # reader keeps it reading, so the FIFO holds no backlog when a test opens the source.
        parec --raw --format=s16le --rate=8000 --channels=1 --latency-msec=20 &
        helpers+=($!)
        # What the desktop plays, from a live source paced the same way.
        gst-launch-1.0 -q audiotestsrc is-live=true freq=1000 volume=0.5 samplesperbuffer=480 \
            ! audio/x-raw,format=S16LE,rate=48000,channels=2 ! fdsink fd=1 |
            pacat --raw --format=s16le --rate=48000 --channels=2 --device=desktop \
                --latency-msec=20 &
        helpers+=($!)
    elif [ "$up" != 1 ]; then
        kill $daemon 2>/dev/null
    fi
    wait $daemon
    if [ ${#helpers[@]} -gt 0 ]; then
        kill "${helpers[@]}" 2>/dev/null
        wait "${helpers[@]}"
    fi
) </dev/null >/dev/null 2>&1 &

# Up when the daemon answers; a keeper that ended gave up on it.
keeper=$!
for _ in $(seq 1 60); do
    if [ -s "$pidfile" ] && answers; then
        command -v gst-launch-1.0 >/dev/null 2>&1 ||
            echo "warning: gst-launch-1.0 not installed: the test source stays silent"
        exit 0
    fi
    kill -0 $keeper 2>/dev/null || break
    sleep 0.1
done
echo "warning: PulseAudio did not start (see $XDG_RUNTIME_DIR/pulse.log)"
exit 0
