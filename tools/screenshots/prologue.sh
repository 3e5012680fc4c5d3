# Sourced by the screenshot scripts that drive the program themselves: reads OUTPUT_DIR and
# BUILD_DIR from their arguments into $out and $build, and gives them a private settings
# store under $tmp, removed at the end.
out=${1:?output directory}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${2:-$root/build}
mkdir -p "$out"
out=$(cd "$out" && pwd)
tmp=$(mktemp -d /tmp/tess-shots.XXXXXX)
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_STATE_HOME="$tmp/state"
export NO_AT_BRIDGE=1 GTK_A11Y=none
trap 'rm -rf "$tmp"' EXIT
