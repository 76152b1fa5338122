#!/bin/sh
# Time of msg-info on messages with very long headers: a To header of N
# addresses, one per continuation line, and a Subject of N encoded words.
# Reading must stay linear: doubling N should about double the time.
#   bench/mime/long_headers.sh [BUILD_DIR]      (default: build)
set -eu
BUILD=${1:-build}
CLI=$(cd "$BUILD" && pwd)/bin/mailvornex-cli
WORK=${TMPDIR:-/tmp}/mv-bench-headers
mkdir -p "$WORK"
python3 - "$WORK" <<'PY'
import sys
work = sys.argv[1]
for n in (25000, 50000, 100000):
    with open(f"{work}/to{n}.eml", "wb") as f:
        f.write(b"From: a@b.c\r\nTo: u0@example.org")
        for i in range(1, n):
            f.write(f",\r\n u{i}@example.org".encode())
        f.write(b"\r\n\r\nbody\r\n")
    with open(f"{work}/subject{n}.eml", "wb") as f:
        f.write(b"From: a@b.c\r\nSubject: x")
        for i in range(n):
            f.write(b"\r\n =?windows-1251?B?wg==?= plain")
        f.write(b"\r\n\r\nbody\r\n")
PY
for kind in to subject; do
  for n in 25000 50000 100000; do
    /usr/bin/time -f "$kind $n: %e s wall, %U s user" "$CLI" msg-info "$WORK/$kind$n.eml" >/dev/null
  done
done
rm -rf "$WORK"
