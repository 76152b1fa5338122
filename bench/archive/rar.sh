#!/usr/bin/env bash
# Output speed of RAR extraction: `mailvornex-cli extract` beside `bsdtar -xf`
# on every archive of the shared RAR corpus that bsdtar extracts completely
# (the corpus manifest says which), each run ROUNDS times in the same session.
# usage: bench/archive/rar.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$repo/build}
rounds=${2:-5}
corpus=$repo/../shared/corpus/rar
cli=$build/bin/mailvornex-cli
[ -x "$cli" ] || { echo "no $cli (build the mailvornex-cli and mvunrar targets)" >&2; exit 1; }
[ -f "$corpus/MANIFEST.md" ] || { echo "no corpus at $corpus" >&2; exit 1; }
command -v bsdtar > /dev/null || { echo "bsdtar missing (libarchive-tools)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Rows look like: | `name` | what | bsdtar: lists N entries, extract OK; lsar ... |
mapfile -t archives < <(awk '
  /^## [a-z]+\// { folder = $2 }
  /^\| `/ && /bsdtar: [^;|]*extract OK/ { split($0, f, "`"); print folder f[2] }' "$corpus/MANIFEST.md")
[ "${#archives[@]}" -gt 0 ] || { echo "no archives found in the manifest" >&2; exit 1; }

# Bytes of output per pass, as bsdtar writes them.
bytes=0
for a in "${archives[@]}"; do
  rm -rf "$work/out" && mkdir "$work/out"
  bsdtar -xf "$corpus/$a" -C "$work/out" 2> /dev/null || true # some refuse links: what they write counts
  bytes=$((bytes + $(find "$work/out" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')))
done

run() { # tool name, then the command with ARCHIVE and OUT placeholders
  local name=$1; shift
  local start end
  start=$(date +%s.%N)
  for ((r = 0; r < rounds; r++)); do
    for a in "${archives[@]}"; do
      rm -rf "$work/out" && mkdir "$work/out"
      local cmd=("${@//ARCHIVE/$corpus/$a}")
      "${cmd[@]//OUT/$work/out}" > /dev/null 2>&1 || true
    done
  done
  end=$(date +%s.%N)
  awk -v n="$name" -v b="$bytes" -v r="$rounds" -v s="$start" -v e="$end" \
    'BEGIN { t = e - s; printf "%-24s %8.2f s  %8.1f MB/s\n", n, t, b * r / t / 1e6 }'
}

echo "${#archives[@]} archives, $((bytes / 1000)) kB of output per pass, $rounds passes"
run "mailvornex-cli extract" "$cli" extract ARCHIVE OUT
run "bsdtar -xf" bsdtar -xf ARCHIVE -C OUT
