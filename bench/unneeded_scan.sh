#!/usr/bin/env bash
# Unneeded-files stage over download directories of 25,000, 50,000 and 100,000 files (100 files a
# folder, so 250 to 1,000 folders) against a torrent listing all of them, plus a few unneeded files
# and folders. The stage's time (best of RUNS, report only) is given as a ratio to
# `find DIR | wc -l` (best of RUNS) on the same tree, in one run; the per-file cost shows whether
# the scan stays linear.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build-bench}"
sizes="${SIZES:-25000 50000 100000}"
runs="${RUNS:-3}"
bash "$here/scripts/install-deps.sh" --bench
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target unneeded_scan_bench >/dev/null
work="$(mktemp -d -p "${BENCH_TMP:-/work}")"
trap 'rm -rf "$work"' EXIT

best_find() {
  local best="" s e d
  for _ in $(seq "$runs"); do
    s=$(date +%s.%N); find "$1" | wc -l >/dev/null; e=$(date +%s.%N)
    d=$(echo "$e - $s" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$d < $best" | bc -l)" = 1 ]; then best=$d; fi
  done
  echo "$best"
}

printf '%8s %8s %10s %12s %7s %12s\n' files folders "find (s)" "unneeded (s)" ratio "us per file"
for n in $sizes; do
  folders=$((n / 100))
  dl="$work/dl$n"
  python3 "$here/bench/make_tree.py" "$dl" "$work/t$n.torrent" "$n" "$folders"
  # What the torrent does not list: loose files, a folder of them and an empty folder.
  echo junk >"$dl/stray.nfo"
  echo junk >"$dl/dir0000/extra.txt"
  mkdir -p "$dl/old/empty"
  for i in 1 2 3; do echo junk >"$dl/old/leftover$i.part"; done
  find "$dl" >/dev/null  # warm the directory cache
  find_s=$(best_find "$dl")
  out=$("$build/bench/unneeded_scan_bench" "$work/t$n.torrent" "$dl" "$runs")
  stage_s=$(echo "$out" | awk '/^unneeded_stage_seconds/ {print $2}')
  found=$(echo "$out" | awk '/^unneeded_files/ {f=$2} /^unneeded_dirs/ {d=$2} END {print f "/" d}')
  [ "$found" = "5/2" ] || { echo "expected 5 unneeded files and 2 folders, found $found" >&2; exit 1; }
  printf '%8d %8d %10.3f %12.3f %7.2f %12.2f\n' "$n" "$folders" "$find_s" "$stage_s" \
    "$(echo "$stage_s / $find_s" | bc -l)" "$(echo "$stage_s * 1000000 / $n" | bc -l)"
  rm -rf "$dl" "$work/t$n.torrent"
done
