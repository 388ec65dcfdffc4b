#!/usr/bin/env bash
# Reading a generated torrent of 200,000 files and 1,000,000 pieces: `zandrel-cli info --json`
# and the reader alone, against libtorrent's torrent_info on the same file, in one run; the same
# for a quarter of the size to show that the read grows linearly.
#
# usage: bench/torrent_read.sh      (BUILD_DIR, BENCH_TMP and RUNS may be set)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build-bench}"
runs="${RUNS:-5}"
python=/usr/bin/python3
bash "$here/scripts/install-deps.sh" --bench
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target zandrel-cli torrent_read_bench >/dev/null
work="$(mktemp -d -p "${BENCH_TMP:-/tmp}")"
trap 'rm -rf "$work"' EXIT

# Best CPU time (user + system) of $runs runs of a command, in seconds. CPU time rather than wall
# time, so that other work on a shared machine does not decide the comparison.
best() {
  "$python" - "$runs" "$@" <<'PY'
import resource, subprocess, sys
runs, cmd = int(sys.argv[1]), sys.argv[2:]
times = []
for _ in range(runs):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    times.append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
print("%.3f" % min(times))
PY
}

# libtorrent's torrent_info in-process, CPU time, best of $runs, with load limits raised to fit.
libtorrent_s() {
  "$python" - "$runs" "$1" <<'PY'
import sys, time
import libtorrent as lt
runs, path = int(sys.argv[1]), sys.argv[2]
limits = {"max_buffer_size": 1 << 30, "max_pieces": 1 << 24, "max_decode_tokens": 1 << 26}
times = []
for _ in range(runs):
    start = time.process_time()
    ti = lt.torrent_info(path, limits)
    times.append(time.process_time() - start)
assert ti.num_files() > 0 and ti.num_pieces() > 0
print("%.3f" % min(times))
PY
}

reader_ms() {
  ZANDREL_BENCH_TORRENT="$1" "$build/bench/torrent_read_bench" --benchmark_filter=BM_ReadTorrentModel \
    --benchmark_format=csv 2>/dev/null | awk -F, '/BM_ReadTorrentModel/ {printf "%.1f", $4}'
}

echo "CPU times (user + system), best of $runs; reader = ReadTorrent alone (Google Benchmark, CPU ms)"
printf '%-28s %10s %12s %14s %14s %12s\n' "torrent" "size MB" "reader ms" "cli --json s" "cli text s" "libtorrent s"
for sizes in "50000 250000" "200000 1000000"; do
  set -- $sizes
  t="$work/big_$1.torrent"
  "$python" "$here/bench/make_big_torrent.py" "$t" "$1" "$2"
  "$build/cli/zandrel-cli" info --json "$t" | "$python" -c \
    "import json,sys; d=json.load(sys.stdin); assert len(d['files'])==$1 and d['pieces']==$2"
  size=$("$python" -c "import os; print('%.1f' % (os.path.getsize('$t') / 1e6))")
  printf '%-28s %10s %12s %14s %14s %12s\n' "$1 files/$2 pieces" "$size" "$(reader_ms "$t")" \
    "$(best "$build/cli/zandrel-cli" info --json "$t")" "$(best "$build/cli/zandrel-cli" info "$t")" \
    "$(libtorrent_s "$t")"
done
