#!/usr/bin/env bash
# ZIP extraction speed: `mailvornex-cli extract` beside `unzip -qq -o` and
# `bsdtar -xf` on the same archives, reported as MB/s of output.
#
#   bench/archive/zip_extract.sh [BUILD_DIR] [RUNS]
#
# Makes (once, under /tmp/mv-zip-bench) a 200 MB ZIP of 2,000 files and a
# 200 MB single-file ZIP, both deflated at level 6 by Info-ZIP; the data is a
# mix of text and binary that deflates to about a third. Each tool extracts
# each archive RUNS times (default 3) into a fresh directory on the same file
# system; the best run counts.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
runs=${2:-3}
cli=$build/bin/mailvornex-cli
work=/tmp/mv-zip-bench
[[ -x $cli ]] || { echo "no $cli (build the mailvornex-cli target)" >&2; exit 2; }
for tool in zip unzip bsdtar python3; do
  command -v $tool >/dev/null || { echo "$tool is needed" >&2; exit 2; }
done
mkdir -p "$work"

make_data() { # DIR FILES BYTES_EACH
  python3 - "$@" <<'PY'
import os, random, sys
out, files, each = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rnd = random.Random(1)
words = [''.join(rnd.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rnd.randint(2, 10))) for _ in range(5000)]
def chunk(size):
    parts, n = [], 0
    while n < size:
        if rnd.random() < 0.7:
            s = (' '.join(rnd.choices(words, k=12)) + '\n').encode()
        else:
            s = rnd.randbytes(64)
        parts.append(s); n += len(s)
    return b''.join(parts)[:size]
block = chunk(4 << 20)
for i in range(files):
    path = os.path.join(out, 'd%02d' % (i % 50), 'file%04d.dat' % i)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        left, pos = each, (i * 7919) % len(block)
        while left > 0:
            piece = block[pos:pos + left] or block[:left]
            f.write(piece); left -= len(piece); pos = 0
PY
}

if [[ ! -f $work/many.zip ]]; then
  echo "making $work/many.zip (2,000 files, 200 MB)"
  rm -rf "$work/src-many" && mkdir -p "$work/src-many"
  make_data "$work/src-many" 2000 104857
  (cd "$work/src-many" && zip -q -r -6 "$work/many.zip" .)
fi
if [[ ! -f $work/single.zip ]]; then
  echo "making $work/single.zip (one 200 MB file)"
  rm -rf "$work/src-single" && mkdir -p "$work/src-single"
  make_data "$work/src-single" 1 209715200
  (cd "$work/src-single" && zip -q -r -6 "$work/single.zip" .)
fi

best_seconds() { # COMMAND... (DIR is $out)
  local best=""
  for ((r = 0; r < runs; r++)); do
    rm -rf "$out" && mkdir -p "$out"
    sync
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null
    t1=$(date +%s.%N)
    local t
    t=$(echo "$t1 - $t0" | bc -l)
    if [[ -z $best ]] || (($(echo "$t < $best" | bc -l))); then best=$t; fi
  done
  echo "$best"
}

printf '%-10s %-16s %10s %10s\n' archive tool seconds "MB/s"
for name in many single; do
  archive=$work/$name.zip
  out=$work/out
  bytes=$(unzip -Zt "$archive" | awk '{print $3}')
  for tool in mailvornex unzip bsdtar; do
    case $tool in
      mailvornex) secs=$(best_seconds "$cli" extract "$archive" "$out") ;;
      unzip) secs=$(best_seconds unzip -qq -o "$archive" -d "$out") ;;
      bsdtar) secs=$(best_seconds bsdtar -xf "$archive" -C "$out") ;;
    esac
    written=$(du -sb "$out" | awk '{print $1}')
    printf '%-10s %-16s %10.2f %10.1f\n' "$name" "$tool" "$secs" "$(echo "$bytes / 1000000 / $secs" | bc -l)"
    if ((written < bytes)); then echo "   ($tool wrote only $written of $bytes bytes)"; fi
  done
done
rm -rf "$work/out"
