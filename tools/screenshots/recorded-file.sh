# Sourced inside the X session of the screenshot scripts that show a recording ($build, $tmp
# set): records six or more seconds of a picture shown at the top left, then opens the
# recording in the program and waits until its frame is up; $app is the program's pid.
#   show_recorded_file SECONDS
show_recorded_file() {
    convert -size 640x400 gradient:orange-navy -fill white -pointsize 40 -gravity center \
            -annotate 0 'Recorded screen' "$tmp/picture.png"
    display -geometry +0+0 "$tmp/picture.png" & local viewer=$!
    sleep 1.5
    "$build/tessaray" --record --seconds "$1" --region 0,0,640,400 --output "$tmp/rec.wmv" >/dev/null
    kill "$viewer"; wait "$viewer" 2>/dev/null || true
    "$build/tessaray" "$tmp/rec.wmv" & app=$!
    # The file is shown once the frame is up (a while in a sanitizer build).
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name '^rec.wmv Tessaray$' >/dev/null 2>&1 && break
        sleep 0.2
    done
}
