#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/AREA (clang, ASan + UBSan) and runs each
# for SECONDS, one after the other. Corpora live under /tmp and grow from run
# to run; fuzz/AREA/seeds/<target>/ (when present) seeds them.
#
#   bench/fuzz.sh AREA SECONDS        e.g. bench/fuzz.sh mime 60
#
# FUZZ_BUILD_DIR overrides the build directory (default /tmp/build-fuzz-AREA).
# Exit status: 0 when every target ran its time without a finding.
set -euo pipefail

if [[ $# -ne 2 || ! $2 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 AREA SECONDS" >&2
  exit 2
fi
area=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-/tmp/build-fuzz-$area}
corpora=/tmp/fuzz-corpus-$area
artifacts=/tmp/fuzz-artifacts-$area

shopt -s nullglob
sources=("$root/fuzz/$area"/fuzz_*.cpp)
if [[ ${#sources[@]} -eq 0 ]]; then
  echo "no fuzz targets in fuzz/$area" >&2
  exit 2
fi
targets=()
for source in "${sources[@]}"; do
  targets+=("$(basename "$source" .cpp)")
done

cmake -S "$root" -B "$build" -DMV_FUZZ=ON -DMV_WITH_QT=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target "${targets[@]}" -j2

mkdir -p "$artifacts"
summary=()
failed=0
for target in "${targets[@]}"; do
  corpus=$corpora/$target
  mkdir -p "$corpus"
  if [[ -d $root/fuzz/$area/seeds/$target ]]; then
    cp -n "$root/fuzz/$area/seeds/$target"/* "$corpus"/ 2>/dev/null || true
  fi
  log=$artifacts/$target.log
  echo "== $target: ${seconds}s (corpus $corpus, log $log)"
  started=$(date +%s)
  status=0
  "$build/bin/$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=25 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/$target-" "$corpus" >"$log" 2>&1 || status=$?
  elapsed=$(($(date +%s) - started))
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  if [[ $status -eq 0 ]]; then
    result="no finding"
  else
    result="FINDING (exit $status), see $log"
    failed=1
    grep -m3 -E 'ERROR|runtime error|deadly signal|uncaught' "$log" || true
  fi
  summary+=("$(printf '%-28s %5ss %12s runs  %s' "$target" "$elapsed" "$runs" "$result")")
done

echo
echo "fuzz/$area, ${seconds}s per target:"
printf '%s\n' "${summary[@]}"
exit $failed
