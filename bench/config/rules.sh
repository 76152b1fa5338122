#!/usr/bin/env bash
# Times saving N routing rules and routing one file through them.
#
#   bench/config/rules.sh [N ...]        default: 100 1000 10000
#
# BENCH_BUILD_DIR overrides the build directory (default /tmp/build-bench-config).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BENCH_BUILD_DIR:-/tmp/build-bench-config}
mkdir -p "$build"
g++ -std=c++20 -O2 -DNDEBUG -I"$root" "$root/bench/config/bench_rules.cpp" "$root"/config/*.cpp \
  "$root"/platform/*.cpp -o "$build/bench_rules"
if [[ $# -eq 0 ]]; then
  set -- 100 1000 10000
fi
"$build/bench_rules" "$@"
