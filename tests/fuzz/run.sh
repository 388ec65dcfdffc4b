#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds, keeping
# new interesting inputs in a work corpus; `merge` then minimises them into tests/fuzz/corpus.
# usage: tests/fuzz/run.sh [SECONDS_PER_TARGET] [merge]
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-600}"
build="$here/build-fuzz"
command -v clang++ >/dev/null || { apt-get update -qq && apt-get install -y -qq clang libclang-rt-14-dev; }
cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZANDREL_FUZZ=ON -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j2 --target fuzz_torrent fuzz_settings fuzz_language
targets="${FUZZ_TARGETS:-torrent settings language}"
for target in $targets; do
  kept="$here/tests/fuzz/corpus/$target"
  work="$build/corpus/$target"
  mkdir -p "$work" "$kept"
  echo "== fuzz_$target for ${seconds}s"
  (cd "$build" && ASAN_OPTIONS=detect_leaks=0 "./tests/fuzz_$target" -max_total_time="$seconds" \
     -max_len=65536 -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 "$work" "$kept") 2>&1 | tail -n 12
  if [ "${2:-}" = merge ]; then
    tmp="$(mktemp -d)"
    (cd "$build" && ASAN_OPTIONS=detect_leaks=0 "./tests/fuzz_$target" -merge=1 "$tmp" "$kept" "$work" >/dev/null 2>&1)
    rm -f "$kept"/*
    cp "$tmp"/* "$kept"/ 2>/dev/null || true
    rm -rf "$tmp"
  fi
done
