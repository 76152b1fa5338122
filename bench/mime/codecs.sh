#!/usr/bin/env bash
# Builds the mime library optimised and runs the codec decoding benchmark:
# base64 and quoted-printable in 76-character lines, and the system's
# `base64 -d` on the same base64 text, all in MB/s of encoded text.
#
#   bench/mime/codecs.sh [extra Google Benchmark flags]
#
# BENCH_BUILD_DIR overrides the build directory (default /tmp/build-bench-mime).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BENCH_BUILD_DIR:-/tmp/build-bench-mime}

cmake -S "$root" -B "$build" -DMV_WITH_QT=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target mv_mime mv_net mv_platform -j2 >/dev/null
g++ -std=c++20 -O2 -DNDEBUG -I"$root" "$root/bench/mime/bench_codecs.cpp" -o "$build/bench_codecs" \
  -Wl,--start-group "$build/mime/libmv_mime.a" "$build/net/libmv_net.a" "$build/platform/libmv_platform.a" \
  -Wl,--end-group -lbenchmark -lpthread
"$build/bench_codecs" --benchmark_counters_tabular=true "$@"
