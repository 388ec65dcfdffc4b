#!/usr/bin/env bash
# Trimming a 6 GiB file by 19 bytes (`zandrel-cli check --trim-padded-files --no-backups`), once with
# the file dense and once sparse (110 MB of data among holes), against
# `cp --reflink=auto --sparse=always` of the same file, in one run. The trim syncs its copy before
# the original goes and then removes the original; `cp` does neither, so the same work done by hand
# (cp, truncate, sync, rm, mv) is shown too: on the sparse file, removing a 6 GiB file whose holes
# sit in the page cache costs about as much as copying its data. Also shown: the space the trimmed
# sparse file takes on disk, which must stay near its 110 MB of data.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build-bench}"
size="${SIZE:-6442450944}"
bash "$here/scripts/install-deps.sh" --bench
if [ -z "${BUILD_DIR:-}" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$build" -j2 --target zandrel-cli >/dev/null
fi
work="$(mktemp -d -p "${BENCH_TMP:-/work}")"
trap 'rm -rf "$work"' EXIT

# A single-file torrent listing the file 19 bytes shorter than it is on disk.
python3 - "$work/t.torrent" "$((size - 19))" <<'PY'
import os, sys
out, length = sys.argv[1], int(sys.argv[2])
piece = 4 << 20
pieces = (length + piece - 1) // piece
info = b"d6:lengthi%de4:name7:big.bin12:piece lengthi%de6:pieces%d:" % (length, piece, pieces * 20)
open(out, "wb").write(b"d4:info" + info + os.urandom(pieces * 20) + b"ee")
PY

t() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc; }
disk_mb() { echo "$(( $(stat -c %b "$1") * $(stat -c %B "$1") / 1048576 ))"; }

make_dense() {  # random data (a repeated 64 MiB block), so no copy can skip zeros
  head -c $((64 << 20)) /dev/urandom >"$work/block"
  : >"$1"
  for _ in $(seq $((size / (64 << 20)))); do cat "$work/block"; done >>"$1"
  truncate -s "$size" "$1"
  rm -f "$work/block"
}
make_sparse() {  # 110 MB of data in eleven 10 MB stretches spread over the file
  truncate -s "$size" "$1"
  for i in $(seq 0 10); do
    dd if=/dev/urandom of="$1" bs=1M count=10 seek=$((i * (size / 11) / 1048576)) conv=notrunc status=none
  done
}

# Each figure is the median of $ROUNDS runs (5 unless told): the sparse times are a tenth of a
# second, where one run says little. The trimmed file is put back from a pristine copy between runs.
rounds="${ROUNDS:-5}"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-7s %10s %10s %13s %8s %10s %14s\n' file "trim (s)" "cp (s)" "by hand (s)" "trim/cp" "trim/hand" "on disk (MB)"
for kind in dense sparse; do
  mkdir -p "$work/dl"
  "make_$kind" "$work/pristine.bin"
  cp_all=() hand_all=() trim_all=()
  for _ in $(seq "$rounds"); do
    # The file put back, on disk, and in the page cache so that every command reads from memory.
    fresh() { cp --sparse=always "$work/pristine.bin" "$work/dl/big.bin"; sync; cat "$work/dl/big.bin" >/dev/null; }
    # Each command starts from the same state: the disk's speed here depends on what came before.
    fresh
    cp_all+=("$(t cp --reflink=auto --sparse=always "$work/dl/big.bin" "$work/cp.bin")")
    rm -f "$work/cp.bin"
    fresh
    hand_all+=("$(t bash -c "cd '$work/dl' && cp --reflink=auto --sparse=always big.bin cp.bin && \
      truncate -s $((size - 19)) cp.bin && sync cp.bin && rm big.bin && mv cp.bin big.bin")")
    fresh
    trim_all+=("$(t "$build/cli/zandrel-cli" check "$work/t.torrent" "$work/dl" --trim-padded-files --no-backups \
      --no-check-unneeded --quiet --report "$work/r.log" || true)")
    [ "$(stat -c %s "$work/dl/big.bin")" = "$((size - 19))" ] || { echo "trim failed"; cat "$work/r.log"; exit 1; }
  done
  echo "  $kind samples: trim ${trim_all[*]} / cp ${cp_all[*]} / by hand ${hand_all[*]}" >&2
  cp_s=$(printf '%s\n' "${cp_all[@]}" | median)
  hand_s=$(printf '%s\n' "${hand_all[@]}" | median)
  trim_s=$(printf '%s\n' "${trim_all[@]}" | median)
  printf '%-7s %10.2f %10.2f %13.2f %8.2f %10.2f %14s\n' "$kind" "$trim_s" "$cp_s" "$hand_s" \
    "$(echo "$trim_s / $cp_s" | bc -l)" "$(echo "$trim_s / $hand_s" | bc -l)" "$(disk_mb "$work/dl/big.bin")"
  rm -rf "$work/dl" "$work/pristine.bin"
done
