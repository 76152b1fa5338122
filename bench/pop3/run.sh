#!/usr/bin/env bash
# Downloads one dovecot mailbox (500 messages of about 50 KB and 5 of about
# 10 MB) with mailvornex-cli pop3-fetch, with fetchmail and with a python
# poplib RETR loop, in the same run, and reports MB/s for each (mailbox bytes
# as the server counts them, divided by wall-clock seconds; MB = 10^6 bytes).
# pop3-fetch runs with the courier's 1024-byte receives and, to show what
# that limit costs, with 32768-byte receives. pop3-fetch also decodes every
# attachment and writes every message back out; retr_only (built here from
# retr_only.cpp) reads the same RETR replies undecoded, which is the work
# poplib's loop does, so the transport is compared on its own as well.
#
# usage: bench/pop3/run.sh [BUILD_DIR] [ROUNDS]     (default build/, 2 rounds)
#        MAILBOX="20 50 1 2" bench/pop3/run.sh ...   (a smaller mailbox: small count,
#        small KB, large count, large MB) for a quick check of the script
# Needs dovecot-core, dovecot-pop3d, fetchmail and python3. Everything lives
# in a private temporary directory and on a free port of 127.0.0.1.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/lib.sh
. "$here/../lib.sh"
bench_cli "${1:-}"
rounds=${2:-2}
for lib in mime/libmv_mime.a net/libmv_net.a platform/libmv_platform.a; do
  [ -f "$build/$lib" ] || { echo "no $build/$lib: build the project first" >&2; exit 1; }
done
for tool in /usr/sbin/dovecot fetchmail /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

W=$(mktemp -d /tmp/mv-pop3-bench-XXXXXX)
g++ -std=c++20 -O2 -I"$here/../.." "$here/retr_only.cpp" -o "$W/retr_only" -Wl,--start-group \
  "$build/mime/libmv_mime.a" "$build/net/libmv_net.a" "$build/platform/libmv_platform.a" -Wl,--end-group -lssl -lcrypto
# shellcheck source=bench/pop3/dovecot.sh
. "$here/dovecot.sh"
trap 'stop_dovecot "$W"; rm -rf "$W"' EXIT

port=$(free_port)
# shellcheck disable=SC2086 # MAILBOX is four separate numbers
total=$(/usr/bin/python3 "$here/make_mailbox.py" "$W/mail/test" ${MAILBOX:-})
messages=$(find "$W/mail/test/cur" -type f | wc -l)

start_dovecot "$W" "$port"

write_fetchmailrc "$W" "$port" "/bin/sh -c 'cat >/dev/null'"

pop3_fetch() { # receive size
  rm -rf "$W/out"
  "$cli" pop3-fetch --host 127.0.0.1 --port "$port" --user test --password secret --out "$W/out" --recv-buffer "$1"
}
fetchmail_all() { HOME=$W fetchmail -f "$W/fetchmailrc" --idfile "$W/fetchids" --nodetach -s; }
retr_only() { "$W/retr_only" 127.0.0.1 "$port" test secret "$1"; }
poplib_all() { /usr/bin/python3 "$here/poplib_fetch.py" 127.0.0.1 "$port" test secret; }

echo "mailbox: $messages messages, $total bytes"
poplib_all >/dev/null # warm the page cache
printf '%-38s %8s %8s\n' "client" "seconds" "MB/s"
for round in $(seq "$rounds"); do
  for client in "pop3-fetch, 1024-byte receives" "pop3-fetch, 32768-byte receives" \
    "retr_only, 1024-byte receives" "retr_only, 32768-byte receives" "fetchmail" "python3 poplib"; do
    case $client in
      pop3-fetch,\ 1024*) t=$(seconds pop3_fetch 1024) ;;
      pop3-fetch,\ 32768*) t=$(seconds pop3_fetch 32768) ;;
      retr_only,\ 1024*) t=$(seconds retr_only 1024) ;;
      retr_only,\ 32768*) t=$(seconds retr_only 32768) ;;
      fetchmail) t=$(seconds fetchmail_all) ;;
      *poplib*) t=$(seconds poplib_all) ;;
    esac
    printf '%-38s %8.2f %8s\n' "$client" "$t" "$(rate "$t")"
  done
done
