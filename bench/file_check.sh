#!/usr/bin/env bash
# File check over a download of 50,000 small files: time of `zandrel-cli check` (file check only)
# as a ratio to `find DIR | wc -l` and to `stat` of every file, on the same tree, in one run.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build-bench}"
count="${COUNT:-50000}"
bash "$here/scripts/install-deps.sh" --bench
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target zandrel-cli >/dev/null
work="$(mktemp -d -p "${BENCH_TMP:-/work}")"
trap 'rm -rf "$work"' EXIT
python3 "$here/bench/make_tree.py" "$work/dl" "$work/t.torrent" "$count" 500
find "$work/dl" >/dev/null  # warm the directory cache

t() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc; }
find_s=$(t bash -c "find '$work/dl' | wc -l")
stat_s=$(t bash -c "find '$work/dl' -type f -print0 | xargs -0 stat -c %s | wc -l")
check_s=$(t "$build/cli/zandrel-cli" check "$work/t.torrent" "$work/dl" --no-check-unneeded --quiet --report "$work/r.log")
printf 'files: %d\nfind | wc -l: %.3f s\nfind + stat:  %.3f s\nzandrel-cli check (file check): %.3f s\n' \
  "$count" "$find_s" "$stat_s" "$check_s"
printf 'ratio check / find: %.2f\nratio check / find+stat: %.2f\n' \
  "$(echo "$check_s / $find_s" | bc -l)" "$(echo "$check_s / $stat_s" | bc -l)"
