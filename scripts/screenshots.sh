#!/usr/bin/env bash
# Draws every window shot on a virtual X server, four times: English, German, English with a 16 pt
# font and German with a 16 pt font. Usage: scripts/screenshots.sh BUILD_DIR [SHOT...]
set -euo pipefail

build_dir=${1:?build directory}
shift
program="$build_dir/tests/zandrel_screenshots"
out="$build_dir/screenshots"
mkdir -p "$out"
rm -f "$out"/*.png  # (the live shots in live/ stay)
runtime_dir=$(mktemp -d)
trap 'rm -rf "$runtime_dir"' EXIT

# No window manager runs on the virtual screen, so windows have no frames: the pictures show the
# windows' contents exactly as Qt draws them with the Fusion style.
run() {
  xvfb-run -a -s "-screen 0 1920x1200x24 -dpi 96 -nolisten tcp" \
    env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$runtime_dir" "$program" --out "$out" "$@"
}
run "$@"
run --language Deutsch "$@"
run --font-size 16 "$@"
run --language Deutsch --font-size 16 "$@"
echo "Screenshots in $out"
