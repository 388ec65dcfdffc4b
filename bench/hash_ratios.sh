#!/usr/bin/env bash
# The hash check against the hash function's own speed, v1 (SHA-1) and v2 (SHA-256) in one run, and
# the same two checks from a cold page cache against reading the files with cat. The data set is
# hash_check.sh's (six large files and SMALL_FILES small ones); the v1 torrent is made by mktorrent,
# the v2-only torrent of the same folder by libtorrent, both with pieces of 2^PIECE_BITS bytes.
#
# Warm rows: `openssl speed -evp sha1` and `-evp sha256` on one core with 16 KiB blocks give the
# seconds one core needs to hash the data set's bytes; divided by a check's wall seconds (median of
# RUNS, the two checks taking turns), that is how many cores' worth of hashing the check reaches
# (goal on this 2-core machine: 1.85).
# Cold rows: COLD_RUNS trials. Before every command every file of the data set is evicted from the
# page cache (posix_fadvise DONTNEED, no privilege needed); each trial times the v1 check, the v2
# check, one `cat` of all the files in torrent order and four `cat`s in parallel over lists of
# equal bytes, in an order that turns from trial to trial. The disk spreads widely from run to run,
# so each check / cat ratio is taken within one trial; the medians of those ratios are the figures.
# Environment: BUILD_DIR (default build-bench), BENCH_TMP (default /work), RUNS (default 5),
# COLD_RUNS (default 5), SMALL_FILES (default 5000), LARGE_MIB (size of each large file, default
# 512), PIECE_BITS (default 22), KEEP=DIR (make the data set and torrents in DIR, or reuse them).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
. "$here/bench/common.sh"
cold_runs="${COLD_RUNS:-5}"
small_files="${SMALL_FILES:-5000}"
large_mib="${LARGE_MIB:-512}"
bits="${PIECE_BITS:-22}"

bench_build zandrel-cli
cli="$build/cli/zandrel-cli"
tools=(/usr/bin/python3 "$here/bench/hash_tools.py")

bench_work_dir hash_ratios $(( (6 * large_mib + 400) * 1024 ))
[ -d "$work/data" ] || python3 "$here/bench/make_hash_data.py" "$work/data" "$small_files" "$large_mib"
[ -f "$work/v1.torrent" ] ||
  mktorrent -a http://tracker.invalid/announce -l "$bits" -o "$work/v1.torrent" "$work/data" >/dev/null
[ -f "$work/v2.torrent" ] || "${tools[@]}" v2torrent "$work/data" "$work/v2.torrent" "$bits"
"${tools[@]}" split "$work/data" 1 "$work/seq"
"${tools[@]}" split "$work/data" 4 "$work/par"
total_bytes=$(find "$work/data" -type f -printf '%s\n' | awk '{s += $1} END {printf "%.0f", s}')

check() {
  "$cli" check "$work/$1.torrent" "$work/data" --hash-check --no-check-unneeded --quiet \
    --report "$work/$1.log" >/dev/null 2>"$work/$1.err"
}
check_v1() { check v1; }
check_v2() { check v2; }
cat1() { xargs -0 -a "$work/seq0" cat >/dev/null; }
cat4() {
  local i
  for i in 0 1 2 3; do xargs -0 -a "$work/par$i" cat >/dev/null & done
  wait
}
evict() { "${tools[@]}" evict "$work/data" "$work/v1.torrent" "$work/v2.torrent"; }
# Wall seconds of one call; a check that does not pass the intact data ends the bench.
wall() {
  local start end
  start=$(date +%s%N)
  "$@" || { echo "$* failed:" >&2; cat "$work"/*.err >&2; exit 1; }
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", (b - a) / 1e9}'
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
# Bytes per second of one core over 16 KiB blocks (openssl prints thousands of bytes per second).
openssl_rate() {
  openssl speed -evp "$1" -bytes 16384 -seconds 3 2>/dev/null |
    awk -v name="$1" '$1 == name {sub(/k$/, "", $NF); printf "%.0f", $NF * 1000}'
}

kinds="v1 v2"
if ! check v2; then
  echo "the v2 check does not run here ($(head -c 300 "$work/v2.err")); v2 rows left out" >&2
  kinds="v1"
fi

printf 'data: %s bytes in %d files, pieces of %d KiB; %d cores, load %s\n' "$total_bytes" \
  "$(find "$work/data" -type f | wc -l)" $(( (1 << bits) / 1024 )) "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "== warm page cache: core-seconds (openssl, one core, 16 KiB blocks) / wall-seconds, median of $runs (goal 1.85)"
printf '%-6s %-7s %12s %10s %10s %7s\n' check hash "openssl MB/s" core-s wall-s ratio
cat1
declare -A warm=()
for _ in $(seq "$runs"); do
  for kind in $kinds; do warm[$kind]+="$(wall "check_$kind") "; done
done
for kind in $kinds; do
  hash=$([ "$kind" = v1 ] && echo sha1 || echo sha256)
  rate=$(openssl_rate "$hash")
  core=$(awk -v b="$total_bytes" -v r="$rate" 'BEGIN {printf "%.3f", b / r}')
  # shellcheck disable=SC2086
  wall_s=$(median ${warm[$kind]})
  printf '%-6s %-7s %12.0f %10.2f %10.2f %7s\n' "$kind" "$hash" "$(awk -v r="$rate" 'BEGIN {print r / 1e6}')" \
    "$core" "$wall_s" "$(ratio "$core" "$wall_s")"
done

echo
echo "== cold page cache, $cold_runs trials, each command after evicting the data (seconds, then check / cat)"
commands=(check_v1 cat1 cat4)
[ "$kinds" = "v1 v2" ] && commands=(check_v1 check_v2 cat1 cat4)
printf '%-5s' trial; printf ' %9s' "${commands[@]}"
printf ' %9s' v1/cat v1/cat4; [ "$kinds" = "v1 v2" ] && printf ' %9s' v2/cat v2/cat4; echo
declare -A ratios=()
for trial in $(seq "$cold_runs"); do
  declare -A secs=()
  n=${#commands[@]}
  for i in $(seq 0 $((n - 1))); do
    command=${commands[$(( (i + trial - 1) % n ))]}
    evict
    secs[$command]=$(wall "$command")
  done
  printf '%-5s' "$trial"
  for command in "${commands[@]}"; do printf ' %9.2f' "${secs[$command]}"; done
  for kind in $kinds; do
    for reader in cat1 cat4; do
      r=$(ratio "${secs[check_$kind]}" "${secs[$reader]}")
      ratios[$kind/$reader]+="$r "
      printf ' %9s' "$r"
    done
  done
  echo
  unset secs
done
printf '%-5s' median; printf ' %9s' "${commands[@]//*/}"
for kind in $kinds; do
  # shellcheck disable=SC2086
  for reader in cat1 cat4; do printf ' %9.2f' "$(median ${ratios[$kind/$reader]})"; done
done
echo
echo "(goal: v1/cat 0.81, v1/cat4 1.06 measured on a quiet machine; v2 the same)"
