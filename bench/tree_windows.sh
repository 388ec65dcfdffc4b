#!/usr/bin/env bash
# The two tree windows on large inputs, in one run:
#  - the ignore-list window on folders of 10,000, 30,000 and 100,000 files (100 files a folder):
#    time until the tree is shown, the cost per entry (flat when the build is linear) and the worst
#    lateness of a 10 ms GUI timer while it builds;
#  - a torrent view of the 200,000-file torrent that bench/make_big_torrent.py writes, against
#    `zandrel-cli info` on the same torrent: time until shown and the worst timer lateness.
# Figures are the best of $RUNS runs (wall time, since a stall is what the user sees).
#
# usage: bench/tree_windows.sh      (BUILD_DIR, BENCH_TMP and RUNS may be set)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build-bench}"
runs="${RUNS:-5}"
python=/usr/bin/python3
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target zandrel-cli tree_windows_timing >/dev/null
work="$(mktemp -d -p "${BENCH_TMP:-/tmp}")"
trap 'rm -rf "$work"' EXIT
timing="$build/bench/tree_windows_timing"
export QT_QPA_PLATFORM=offscreen

# Best of $runs runs of the timing program: "items shown_ms worst_late_ms" with the smallest
# shown_ms, and the worst lateness seen in any run.
best_of() {
  for _ in $(seq "$runs"); do "$timing" "$@"; done |
    awk 'NR == 1 || $2 < best {best = $2; items = $1} $3 > late {late = $3}
         END {printf "%d %.1f %.1f\n", items, best, late}'
}

echo "Ignore-list window (best of $runs; lateness: worst of all runs)"
printf '%10s %12s %14s %16s\n' "entries" "shown ms" "us per entry" "worst late ms"
for files in 10000 30000 100000; do
  dir="$work/tree_$files"
  "$python" "$here/bench/make_tree.py" "$dir" "$work/tree_$files.torrent" "$files" $((files / 100)) 1
  set -- $(best_of ignore "$dir")
  printf '%10s %12s %14.2f %16s\n' "$1" "$2" "$(awk "BEGIN {print $2 * 1000 / $1}")" "$3"
  rm -rf "$dir"
done

echo
echo "Torrent view of 200,000 files against zandrel-cli info (best of $runs)"
torrent="$work/big.torrent"
"$python" "$here/bench/make_big_torrent.py" "$torrent" 200000 1000000
cli_ms=$("$python" - "$runs" "$build/cli/zandrel-cli" "$torrent" <<'PY'
import subprocess, sys, time
runs, cli, torrent = int(sys.argv[1]), sys.argv[2], sys.argv[3]
best = None
for _ in range(runs):
    start = time.perf_counter()
    subprocess.run([cli, "info", torrent], check=True, stdout=subprocess.DEVNULL)
    elapsed = (time.perf_counter() - start) * 1000
    best = elapsed if best is None else min(best, elapsed)
print("%.1f" % best)
PY
)
set -- $(best_of view "$torrent")
printf '%-28s %10s\n' "items in the view" "$1"
printf '%-28s %10s\n' "view shown ms" "$2"
printf '%-28s %10s\n' "zandrel-cli info ms" "$cli_ms"
printf '%-28s %10.2f\n' "view / info" "$(awk "BEGIN {print $2 / $cli_ms}")"
printf '%-28s %10s\n' "worst timer lateness ms" "$3"
