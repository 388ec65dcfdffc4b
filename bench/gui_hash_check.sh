#!/usr/bin/env bash
# A hash check through the main window against the command line, in one run: about 3 GiB in six
# files, a torrent made by mktorrent with 4 MiB pieces, warm page cache.
#   - `zandrel-cli check TORRENT DIR --hash-check --no-check-unneeded --quiet`;
#   - gui_hash_window: the same check started by clicking Check Torrent in the main window on the
#     offscreen platform, timed from the click to the run's end; it also reports how late a 10 ms
#     timer on the GUI thread fired during the run and how many progress values reached the window.
# The two take turns; each figure is the best of RUNS runs (the timer figures are those of the
# window's best run).
# Environment: BUILD_DIR (default build-bench), BENCH_TMP (default /work), RUNS (default 5),
# FILE_MIB (size of each file, default 512), KEEP=DIR (make the data there, or reuse it, and keep it),
# BUILT=1 (use BUILD_DIR as it is: its zandrel-cli and bench/gui_hash_window must be built).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
. "$here/bench/common.sh"
file_mib="${FILE_MIB:-512}"

[ -n "${BUILT:-}" ] || bench_build zandrel-cli gui_hash_window
cli="$build/cli/zandrel-cli"
window="$build/bench/gui_hash_window"

bench_work_dir gui_hash $(( (6 * file_mib + 100) * 1024 ))

[ -f "$work/t.torrent" ] || {
  python3 - "$work/data" "$file_mib" <<'PY'
import os, random, sys
root, mib = sys.argv[1], int(sys.argv[2])
rng = random.Random(11)
block = os.urandom(64 << 20)
os.makedirs(root)
for i in range(6):
    size = (mib << 20) + rng.randrange(1, 3 << 20)
    shift = rng.randrange(len(block))
    rotated = block[shift:] + block[:shift]
    with open(os.path.join(root, "part%d.bin" % i), "wb") as f:
        left = size
        while left:
            n = min(left, len(rotated))
            f.write(rotated[:n])
            left -= n
PY
  mktorrent -a http://tracker.invalid/announce -l 22 -o "$work/t.torrent" "$work/data" >/dev/null
}
total_bytes=$(find "$work/data" -type f -printf '%s\n' | awk '{s += $1} END {printf "%.0f", s}')
warm() { find "$work/data" -type f -print0 | xargs -0 cat >/dev/null; }
seconds_of() { /usr/bin/time -f '%e' -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1; cat "$work/time.txt"; }
mbps() { awk -v b="$total_bytes" -v s="$1" 'BEGIN {printf "%.0f", b / s / 1e6}'; }
less() { awk -v a="$1" -v b="$2" 'BEGIN {exit !(b == "" || a < b)}'; }

printf 'data: %s bytes in 6 files; %d cores, load %s\n' "$total_bytes" "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
warm
best_cli="" best_gui="" gui_out=""
for _ in $(seq "$runs"); do
  s=$(seconds_of "$cli" check "$work/t.torrent" "$work/data" --hash-check --no-check-unneeded --quiet \
        --report "$work/report.log")
  grep -q "File integrity check passed" "$work/report.log" || { echo "zandrel-cli did not pass the data" >&2; exit 1; }
  less "$s" "$best_cli" && best_cli=$s
  QT_QPA_PLATFORM=offscreen "$window" "$work/t.torrent" "$work/data" >"$work/gui.txt" 2>/dev/null
  s=$(awk '/^seconds / {print $2}' "$work/gui.txt")
  if less "$s" "$best_gui"; then best_gui=$s; gui_out=$(cat "$work/gui.txt"); fi
done
field() { awk -v k="$1" '$1 == k {print $2}' <<<"$gui_out"; }
printf '%-44s %8s %8s\n' "" seconds MB/s
printf '%-44s %8.2f %8d\n' "zandrel-cli check --hash-check" "$best_cli" "$(mbps "$best_cli")"
printf '%-44s %8.2f %8d\n' "main window, Check Torrent (offscreen)" "$best_gui" "$(mbps "$best_gui")"
# At the end of a run the window holds the full progress bar on screen for a moment on purpose;
# that pause is not hashing, so the throughput is given without it, and with it beside.
settle=$(field settle_seconds)
printf 'window / command line throughput: %s x without the %s s pause at the end (goal >= 0.95), %s x with it\n' \
  "$(awk -v c="$best_cli" -v g="$best_gui" -v p="$settle" 'BEGIN {printf "%.3f", c / (g - p)}')" "$settle" \
  "$(awk -v c="$best_cli" -v g="$best_gui" 'BEGIN {printf "%.3f", c / g}')"
printf '10 ms GUI timer lateness: median %s ms (goal < 5), worst %s ms (goal < 50), %s ticks\n' \
  "$(field timer_late_median_ms)" "$(field timer_late_worst_ms)" "$(field timer_ticks)"
printf '   the same timer in the idle window before the run: median %s ms, worst %s ms\n' \
  "$(field idle_late_median_ms)" "$(field idle_late_worst_ms)"
printf 'progress values reaching the window: %s (%s per second)\n' "$(field progress_updates)" \
  "$(awk -v n="$(field progress_updates)" -v s="$best_gui" 'BEGIN {printf "%.1f", n / s}')"
printf 'final status: %s\n' "$(grep '^status ' <<<"$gui_out" | cut -d' ' -f2-)"
