#!/usr/bin/env bash
# ZIP extraction speed: `mailvornex-cli extract` beside `unzip -qq -o` and
# `bsdtar -xf` on the same archives, reported as MB/s of output.
#
#   bench/archive/zip_extract.sh [BUILD_DIR] [RUNS]
#
# Makes (once, under /tmp/mv-zip-bench) a 200 MB ZIP of 2,000 files and a
# 200 MB single-file ZIP, both deflated at level 6 by Info-ZIP; the data is a
# mix of text and random bytes that deflates to about 70%. The tools take
# turns extracting each archive into a fresh directory on the same file
# system, RUNS rounds (default 7); the median time counts, with the speed
# relative to bsdtar's, the CPU time (user + system, steadier than wall time
# on a busy machine) and the peak resident memory.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=bench/lib.sh
. "$root/bench/lib.sh"
build=${1:-$root/build}
runs=${2:-7}
cli=$build/bin/mailvornex-cli
work=/tmp/mv-zip-bench
[[ -x $cli ]] || { echo "no $cli (build the mailvornex-cli target)" >&2; exit 2; }
for tool in zip unzip bsdtar python3 bc /usr/bin/time; do
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

# One run of a tool on an archive into a fresh $out: "seconds cpu-seconds peak-KB".
run_once() { # COMMAND...
  rm -rf "$out" && mkdir -p "$out"
  sync
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null
  awk '{printf "%s %.2f %s\n", $1, $2 + $3, $4}' "$work/time"
}


tools=(mailvornex unzip bsdtar)
printf '%-8s %-11s %9s %8s %10s %8s %12s\n' archive tool "median s" "MB/s" "vs bsdtar" "CPU s" "peak RSS KB"
for name in many single; do
  archive=$work/$name.zip
  out=$work/out
  bytes=$(unzip -Zt "$archive" | awk '{print $3}')
  declare -A secs=() cpu=() rss=()
  # The tools take turns within each round, so a slow spell of the machine
  # falls on all of them alike.
  for ((r = 0; r < runs; r++)); do
    for tool in "${tools[@]}"; do
      case $tool in
        mailvornex) read -r t c m < <(run_once "$cli" extract "$archive" "$out") ;;
        unzip) read -r t c m < <(run_once unzip -qq -o "$archive" -d "$out") ;;
        bsdtar) read -r t c m < <(run_once bsdtar -xf "$archive" -C "$out") ;;
      esac
      secs[$tool]+="$t " cpu[$tool]+="$c "
      ((m > ${rss[$tool]:-0})) && rss[$tool]=$m
      written=$(du -sb "$out" | awk '{print $1}')
      if ((written < bytes)); then echo "   ($tool wrote only $written of $bytes bytes)"; fi
    done
  done
  base=$(median_of "${secs[bsdtar]}")
  for tool in "${tools[@]}"; do
    m=$(median_of "${secs[$tool]}")
    c=$(median_of "${cpu[$tool]}")
    printf '%-8s %-11s %9.2f %8.1f %9.2fx %8.2f %12s\n' "$name" "$tool" "$m" "$(echo "$bytes / 1000000 / $m" | bc -l)" \
      "$(echo "$base / $m" | bc -l)" "$c" "${rss[$tool]}"
  done
  unset secs cpu rss
done
rm -rf "$work/out" "$work/time"
