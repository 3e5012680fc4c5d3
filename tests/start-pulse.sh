#!/usr/bin/env bash
# Starts a private PulseAudio daemon for the sound tests: a null sink, and as the default
# source a 440 Hz tone at half of full scale (8000 Hz, 16-bit mono), reached by ALSA
# programs through the "pulse" plug-in. Writes the daemon's pid to
# $XDG_RUNTIME_DIR/pulse-test.pid. A missing daemon is not an error here: the sound tests
# then skip with a message.
#
# The tone comes from a live GStreamer source paced by the clock, through a FIFO that a pipe
# source reads, so it arrives in real time as a microphone's sound does. The timer-driven
# test sources of the daemon itself (a sine source, a null sink's monitor) hand out up to
# two seconds at once, ahead of or behind real time, which makes a recording's sound look
# longer or shorter than the recording. Feeder and reader end by themselves when the
# daemon goes.
set -u
command -v pulseaudio >/dev/null 2>&1 || { echo "pulseaudio not installed: sound tests skip"; exit 0; }
: "${XDG_RUNTIME_DIR:?}"
cfg="$XDG_RUNTIME_DIR/pulse-test.pa"
fifo="$XDG_RUNTIME_DIR/pulse-test-tone.fifo"
rm -f "$fifo"
cat > "$cfg" <<PA
load-module module-native-protocol-unix
load-module module-null-sink sink_name=testsink rate=8000
load-module module-pipe-source source_name=tone file=$fifo format=s16le rate=8000 channels=1
set-default-sink testsink
set-default-source tone
load-module module-always-sink
PA
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    --log-target=file:"$XDG_RUNTIME_DIR/pulse.log" -F "$cfg" >/dev/null 2>&1 &
echo $! > "$XDG_RUNTIME_DIR/pulse-test.pid"
up=0
for _ in $(seq 1 50); do
    if pactl info >/dev/null 2>&1; then up=1; break; fi
    sleep 0.1
done
if [ "$up" != 1 ]; then
    echo "warning: PulseAudio did not start (see $XDG_RUNTIME_DIR/pulse.log)"
    exit 0
fi
if ! command -v gst-launch-1.0 >/dev/null 2>&1; then
    echo "warning: gst-launch-1.0 not installed: the test source stays silent"
    exit 0
fi
gst-launch-1.0 -q audiotestsrc is-live=true freq=440 volume=0.5 samplesperbuffer=160 \
    ! audio/x-raw,format=S16LE,rate=8000,channels=1 \
    ! filesink location="$fifo" buffer-mode=unbuffered >/dev/null 2>&1 &
# A pipe source reads its FIFO only while somebody records from it; a standing reader keeps
# it reading, so the FIFO holds no backlog when a test opens the source.
parec --raw --format=s16le --rate=8000 --channels=1 --latency-msec=20 >/dev/null 2>&1 &
exit 0
