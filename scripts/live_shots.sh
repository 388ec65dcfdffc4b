#!/usr/bin/env bash
# Runs the real program on a virtual X server with a window manager (openbox), drives it by
# keyboard as a user would (xdotool) and saves a picture of the whole screen after each step.
#
#   scripts/live_shots.sh BUILD_DIR [OUT_DIR]      (OUT_DIR: BUILD_DIR/screenshots/live)
#
# Exits 77 (skipped) when Xvfb, openbox, xdotool or ImageMagick's import is missing, 1 when the
# program does not end after its main window is closed with the ignore window open.
set -euo pipefail

build_dir=$(cd "${1:?build directory}" && pwd)
out=${2:-$build_dir/screenshots/live}
program="$build_dir/app/zandrel"
standin="$build_dir/tests/torrentzip_standin"
source_dir=$(cd "$(dirname "$0")/.." && pwd)

for tool in Xvfb openbox xdotool import; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done
for file in "$program" "$standin"; do
  [ -x "$file" ] || { echo "not built: $file"; exit 1; }
done

tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
rm -rf "$out"
mkdir -p "$out"

# The display: Xvfb picks a free number and tells it.
Xvfb -displayfd 5 -screen 0 1280x900x24 -dpi 96 -nolisten tcp 5>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$tmp/display")"
unset WAYLAND_DISPLAY
export XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime" HOME="$tmp/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" "$XDG_CONFIG_HOME/Zandrel" "$tmp/work"
chmod 700 "$XDG_RUNTIME_DIR"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# A download to look at, and a TorrentZip tool that never returns.
cp -r "$source_dir/sample/Sample Download" "$source_dir/sample/Sample Download.torrent" "$tmp/work/"
mkdir -p "$tmp/work/roms"
printf 'PK' >"$tmp/work/roms/1-hang.zip"
printf '%s\r\n' "TorrentFile=$tmp/work/Sample Download.torrent" "TorrentDir=$tmp/work/Sample Download" \
  "TorrentZipExe=$standin" >"$XDG_CONFIG_HOME/Zandrel/zandrel.ini"

step=0
shot() {
  sleep "${2:-1}"
  step=$((step + 1))
  local name
  name=$(printf '%02d-%s.png' "$step" "$1")
  import -window root "$out/$name"
  echo "$out/$name"
}
key() { xdotool key --clearmodifiers "$@"; }
# Waits (at most 20 s) until a window whose title matches is shown.
wait_window() {
  for _ in $(seq 200); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "no window \"$1\" appeared"
  exit 1
}
type_text() { xdotool type --clearmodifiers --delay 5 "$1"; }

(cd "$tmp/work" && QT_QPA_PLATFORM=xcb exec "$program") &
program_pid=$!
pids+=($program_pid)
# The main window's X window (it changes when the window is made topmost or not).
main_window() { xdotool search --sync --onlyvisible --pid "$program_pid" --name '^Zandrel v' | head -1; }
main_window >/dev/null
shot start 2

# Ctrl+X with the start-up focus: the log files question, not a cut of the torrent path.
key ctrl+x
shot ctrl-x-at-start-up
key Escape
key alt+f
shot file-menu
key Escape Escape
key ctrl+f
shot torrent-requester 1.5
key Escape
key alt+s Return
shot font-requester 1.5
key Escape
key alt+h Return
shot about
key Escape
# View Torrent is next after Check Torrent in the tab order.
key Tab space
wait_window 'Sample Download.torrent$'
shot torrent-view
key alt+F4
xdotool windowactivate --sync "$(main_window)"

# TorrentZip: the requester, the run window, then Cancel twice ends the tool that hangs.
key ctrl+a
wait_window '^Select files to TorrentZip'
sleep 0.5
type_text "$tmp/work/roms/1-hang.zip"
key Return
wait_window '^TorrentZipping'
shot torrentzip-window
key space
shot torrentzip-stopping
key space
shot torrentzip-tool-ended 1.5

# German: the Language menu, then the same windows again.
key alt+l
shot language-menu
key d
shot german 2
key alt+d
shot german-file-menu
key Escape Escape
key ctrl+x
shot german-question
key Escape
key ctrl+f
shot german-torrent-requester 1.5
key Escape
key alt+e Return
shot german-font-requester 1.5
key Escape
# The ignore list's button, from Check Torrent: View Torrent, "Log found files", the SHA-1 box,
# "on top", then the button.
key Tab Tab Tab Tab Tab space
wait_window '^Dateien und Ordner'
shot german-ignore-window 1.5

# Closing the main window with the ignore window open ends the program.
xdotool windowactivate --sync "$(main_window)"
key alt+F4
for _ in $(seq 100); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
shot after-close 0.5
if kill -0 "$program_pid" 2>/dev/null; then
  echo "the program still runs 10 s after its main window was closed"
  exit 1
fi
echo "The program ended. Shots in $out"
