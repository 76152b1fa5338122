#!/bin/sh
# Attachment extraction speed and memory: mailvornex-cli msg-extract beside
# ripmime and munpack on the same files in the same run.
#   bench/mime/run.sh [BUILD_DIR]      (default: build)
# Input: a 25 MB message with one 18 MB base64 attachment, and a folder of
# 2,000 small messages with one attachment each. Prints wall time, MB/s of
# message text read, CPU time (user + system: steadier than wall time on a
# busy machine) and peak resident set size per tool.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${1:-build}
CLI=$(cd "$BUILD" && pwd)/bin/mailvornex-cli
WORK=${TMPDIR:-/tmp}/mv-bench-mime
for tool in ripmime munpack; do
  command -v $tool >/dev/null || { echo "$tool is not installed (apt-get install ripmime mpack)"; exit 1; }
done
[ -x "$CLI" ] || { echo "no $CLI: build the mailvornex-cli target first"; exit 1; }

rm -rf "$WORK"
python3 "$HERE/make_messages.py" "$WORK"
LARGE="$WORK/large.eml"
SMALL="$WORK/small"
large_bytes=$(stat -c %s "$LARGE")
small_bytes=$(cat "$SMALL"/*.eml | wc -c)

# run NAME BYTES COMMAND...: times the command, reports MB/s and peak RSS.
run() {
  name=$1 bytes=$2
  shift 2
  /usr/bin/time -f "%e %M %U %S" -o "$WORK/time.txt" "$@" >/dev/null 2>"$WORK/err.txt" || {
    echo "$name failed:"; cat "$WORK/err.txt"; exit 1; }
  read -r secs kb user sys <"$WORK/time.txt"
  awk -v n="$name" -v s="$secs" -v b="$bytes" -v kb="$kb" -v cpu="$(echo "$user $sys" | awk '{ print $1 + $2 }')" \
    'BEGIN { printf "  %-12s %7.2f s %8.1f MB/s   CPU %6.2f s   peak RSS %6.1f MB\n", n, s, (s > 0 ? b / s / 1e6 : 0), cpu, kb / 1024 }'
}

out() { rm -rf "$WORK/out" && mkdir -p "$WORK/out" && echo "$WORK/out"; }

echo "Large message: $(awk -v b="$large_bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }')"
run msg-extract "$large_bytes" "$CLI" msg-extract "$LARGE" "$(out)"
ours=$(sha256sum "$WORK/out/scan.pdf" | cut -d' ' -f1)
run ripmime "$large_bytes" ripmime -i "$LARGE" -d "$(out)"
theirs=$(sha256sum "$WORK/out/scan.pdf" | cut -d' ' -f1)
[ "$ours" = "$theirs" ] || { echo "msg-extract and ripmime disagree on scan.pdf"; exit 1; }
run munpack "$large_bytes" munpack -q -C "$(out)" "$LARGE"

echo "2,000 small messages: $(awk -v b="$small_bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }') (one process per message)"
run msg-extract "$small_bytes" sh -c 'for f in "$1"/*.eml; do "$2" msg-extract "$f" "$3" || exit 1; done' - "$SMALL" "$CLI" "$(out)"
count=$(ls "$WORK/out" | wc -l)
[ "$count" -eq 2000 ] || { echo "msg-extract wrote $count files, not 2000"; exit 1; }
run ripmime "$small_bytes" sh -c 'for f in "$1"/*.eml; do ripmime -i "$f" -d "$2" || exit 1; done' - "$SMALL" "$(out)"
run munpack "$small_bytes" sh -c 'for f in "$1"/*.eml; do munpack -q -C "$2" "$f" >/dev/null || exit 1; done' - "$SMALL" "$(out)"
rm -rf "$WORK"
