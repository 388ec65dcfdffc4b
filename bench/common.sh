# Sourced by the benchmark scripts after they have set `here` (the project's root): the build
# folder and the number of runs every script takes from the environment, a Release build of the
# targets a script times, and the folder its data set is made in.
build="${BUILD_DIR:-$here/build-bench}"
runs="${RUNS:-5}"

# Usage: bench_build TARGET... (with the packages the benchmarks need installed first)
bench_build() {
  bash "$here/scripts/install-deps.sh" --bench
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$build" -j2 --target "$@" >/dev/null
}

# Sets `work` to KEEP=DIR (made, or reused as it stands, and left) or to a fresh folder below
# BENCH_TMP (default /work) that goes when the script ends. A fresh folder needs the given KiB free
# there first.
# Usage: bench_work_dir NAME NEED_KIB
bench_work_dir() {
  local tmp_root="${BENCH_TMP:-/work}"
  if [ -n "${KEEP:-}" ]; then
    work="$KEEP"
    mkdir -p "$work"
    return
  fi
  if [ "$(df -Pk "$tmp_root" | awk 'NR==2 {print $4}')" -lt "$2" ]; then
    echo "not enough free space in $tmp_root for the data set (set BENCH_TMP)" >&2
    exit 1
  fi
  work="$(mktemp -d -p "$tmp_root" "$1.XXXXXX")"
  trap 'rm -rf "$work"' EXIT
}
