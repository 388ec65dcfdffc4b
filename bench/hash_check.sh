#!/usr/bin/env bash
# Piece verification throughput on a warm page cache, in one run: about 3 GiB in six large files
# plus 5,000 small ones, torrents made by mktorrent with 1 MiB and 4 MiB pieces. Measured:
#   - `openssl speed -evp sha1`, one core, 16 KiB blocks (the reference figure);
#   - `zandrel-cli check TORRENT DIR --hash-check --no-check-unneeded --quiet`;
#   - hash_bench (the stage alone) hashing in place from mappings and reading into buffers;
#   - libtorrent 2.0 full check with default settings and with hashing_threads=2, aio_threads=2;
#   - btcheck.
# The tools take turns; each figure is the best of RUNS runs (btcheck: one run), with peak memory
# from /usr/bin/time -v.
# Environment: BUILD_DIR (default build-bench), BENCH_TMP (default /work), RUNS (default 5),
# SMALL_FILES (default 5000), LARGE_MIB (size of each large file, default 512), KEEP=DIR (make the
# data set and torrents in DIR, or reuse them from there, and leave them).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
. "$here/bench/common.sh"
small_files="${SMALL_FILES:-5000}"
large_mib="${LARGE_MIB:-512}"

bench_build zandrel-cli hash_bench
cli="$build/cli/zandrel-cli"
bench="$build/bench/hash_bench"

bench_work_dir hash_check $(( (6 * large_mib + 400) * 1024 ))

# The data: large files of random-looking bytes (a 64 MiB random block, rotated per file) with
# lengths that are no piece multiples, and small files of 1 to 64 KiB in 50 folders.
[ -f "$work/t22.torrent" ] || python3 "$here/bench/make_hash_data.py" "$work/data" "$small_files" "$large_mib"
total_bytes=$(find "$work/data" -type f -printf '%s\n' | awk '{s += $1} END {printf "%.0f", s}')
for bits in 20 22; do
  [ -f "$work/t$bits.torrent" ] || mktorrent -a http://tracker.invalid/announce -l "$bits" -o "$work/t$bits.torrent" "$work/data" >/dev/null
done

warm() { find "$work/data" -type f -print0 | xargs -0 cat >/dev/null; }

# Runs a command under /usr/bin/time -v; prints "seconds peak_kib". A command that prints
# "seconds X" itself (the libtorrent script, which leaves out the interpreter's start) is timed by that.
timed() {
  local log="$work/time.log" out="$work/out.log" elapsed own peak
  /usr/bin/time -v -o "$log" "$@" >"$out" 2>&1 || { echo "failed: $*" >&2; cat "$out" "$log" >&2; return 1; }
  elapsed=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log" |
            awk -F: '{ if (NF == 3) print $1 * 3600 + $2 * 60 + $3; else print $1 * 60 + $2 }')
  own=$(awk '/^seconds / {print $2}' "$out")
  [ -n "$own" ] && elapsed=$own
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  echo "$elapsed $peak"
}

cat >"$work/lt_check.py" <<'EOF'
# Adds the torrent with its data in place, so libtorrent checks every piece; prints the seconds
# from adding to the end of checking and exits 0 only when every piece passed.
import sys, time
import libtorrent as lt
torrent, save_path, threads = sys.argv[1], sys.argv[2], sys.argv[3]
settings = {"listen_interfaces": "127.0.0.1:0", "enable_dht": False, "enable_lsd": False,
            "enable_upnp": False, "enable_natpmp": False, "alert_mask": 0}
if threads != "default":
    settings["hashing_threads"] = int(threads)
    settings["aio_threads"] = int(threads)
ses = lt.session(settings)
params = lt.add_torrent_params()
params.ti = lt.torrent_info(torrent)
params.save_path = save_path
checking = (lt.torrent_status.checking_files, lt.torrent_status.checking_resume_data)
start = time.monotonic()
handle = ses.add_torrent(params)
seen_checking = False
while time.monotonic() - start < 600:
    status = handle.status()
    if status.state in checking:
        seen_checking = True
    elif seen_checking or status.state in (lt.torrent_status.seeding, lt.torrent_status.finished):
        break
    time.sleep(0.002)
print("seconds %.3f" % (time.monotonic() - start))
sys.exit(0 if status.num_pieces == params.ti.num_pieces() else 1)
EOF

mbps() { awk -v b="$total_bytes" -v s="$1" 'BEGIN {printf "%.0f", b / s / 1e6}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

warm
openssl_mbps=$(openssl speed -evp sha1 -bytes 16384 -seconds 3 2>/dev/null |
               awk '/^sha1/ {sub(/k$/, "", $NF); printf "%.0f", $NF / 1000}')
printf 'data: %s bytes in %d files; openssl sha1 (one core, 16 KiB): %d MB/s; %d cores, load %s\n' \
  "$total_bytes" "$(find "$work/data" -type f | wc -l)" "$openssl_mbps" "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"

# One measurement of a tool by name.
measure() {
  local torrent=$1 tool=$2
  case $tool in
    zandrel) timed "$cli" check "$torrent" "$work/data" --hash-check --no-check-unneeded --quiet \
               --report "$work/report.log" ;;
    map) timed "$bench" "$torrent" "$work/data" ;;
    read) timed "$bench" "$torrent" "$work/data" --read ;;
    lt_default) timed /usr/bin/python3 "$work/lt_check.py" "$torrent" "$work" default ;;
    lt_2) timed /usr/bin/python3 "$work/lt_check.py" "$torrent" "$work" 2 ;;
    btcheck) (cd "$work" && timed btcheck -q "$torrent") ;;
  esac
}

row() { printf '%-34s %8.2f %8d %9.1f %s\n' "$1" "$2" "$(mbps "$2")" "$(awk -v k="$3" 'BEGIN {print k / 1024}')" "$4"; }

tools="zandrel map read lt_default lt_2"
for bits in 20 22; do
  torrent="$work/t$bits.torrent"
  echo
  echo "== pieces of $((1 << (bits - 20))) MiB =="
  printf '%-34s %8s %8s %9s %s\n' tool seconds MB/s "peak MiB" "ratio"
  warm
  # The tools take turns, so that a disturbance on this shared machine does not hit one tool's
  # every run; each keeps its fastest.
  declare -A best=()
  for _ in $(seq "$runs"); do
    for tool in $tools; do
      line=$(measure "$torrent" "$tool")
      if [ -z "${best[$tool]:-}" ] || awk -v a="${line%% *}" -v b="${best[$tool]%% *}" 'BEGIN {exit !(a < b)}'; then
        best[$tool]=$line
      fi
    done
  done
  best[btcheck]=$(measure "$torrent" btcheck)
  grep -q "File integrity check passed" "$work/report.log" || { echo "zandrel-cli did not pass the data" >&2; exit 1; }
  read -r z_s z_kib <<<"${best[zandrel]}"
  z_mbps=$(mbps "$z_s")
  row "zandrel-cli check --hash-check" "$z_s" "$z_kib" "$(ratio "$z_mbps" "$openssl_mbps") x openssl sha1 (goal 1.7)"
  for mode in map read; do
    read -r b_s b_kib <<<"${best[$mode]}"
    row "hash_bench stage only ($mode)" "$b_s" "$b_kib" "$(ratio "$(mbps "$b_s")" "$openssl_mbps") x openssl sha1"
  done
  read -r s kib <<<"${best[lt_default]}"
  row "libtorrent default" "$s" "$kib" "zandrel $(ratio "$z_mbps" "$(mbps "$s")") x (goal 2)"
  read -r s kib <<<"${best[lt_2]}"
  row "libtorrent hashing/aio threads 2" "$s" "$kib" "zandrel $(ratio "$z_mbps" "$(mbps "$s")") x (goal 1.4)"
  read -r s kib <<<"${best[btcheck]}"
  row "btcheck" "$s" "$kib" "zandrel $(ratio "$z_mbps" "$(mbps "$s")") x (goal 20)"
  unset best
done
