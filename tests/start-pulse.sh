#!/usr/bin/env bash
# Starts a private PulseAudio daemon for the sound tests: a null sink and an 8 kHz sine
# source (440 Hz) as the default source, reached by ALSA programs through the "pulse"
# plug-in. Writes its pid to $XDG_RUNTIME_DIR/pulse-test.pid. A missing daemon is not an
# error here: the sound tests then skip with a message.
set -u
command -v pulseaudio >/dev/null 2>&1 || { echo "pulseaudio not installed: sound tests skip"; exit 0; }
: "${XDG_RUNTIME_DIR:?}"
cfg="$XDG_RUNTIME_DIR/pulse-test.pa"
cat > "$cfg" <<'PA'
load-module module-native-protocol-unix
load-module module-null-sink sink_name=testsink rate=8000
load-module module-sine-source source_name=sine rate=8000 frequency=440
set-default-sink testsink
set-default-source sine
load-module module-always-sink
PA
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    --log-target=file:"$XDG_RUNTIME_DIR/pulse.log" -F "$cfg" >/dev/null 2>&1 &
echo $! > "$XDG_RUNTIME_DIR/pulse-test.pid"
for _ in $(seq 1 50); do
    if pactl info >/dev/null 2>&1; then exit 0; fi
    sleep 0.1
done
echo "warning: PulseAudio did not start (see $XDG_RUNTIME_DIR/pulse.log)"
exit 0
