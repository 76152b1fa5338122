#!/usr/bin/env bash
# POP3S download speed: the benchmark mailbox of run.sh (500 messages of about
# 50 KB and 5 of about 10 MB) from a private dovecot on 127.0.0.1 over TLS
# from the first byte, with a CA and server certificate made here by openssl.
# In the same run: mailvornex-cli pop3-fetch (the courier's 1024-byte
# receives; it also decodes and writes every message), retr_only (the same
# RETR replies read undecoded, the work poplib does) and python's
# poplib.POP3_SSL; and pop3-fetch without TLS on the same server, to show
# what TLS itself costs. Reports MB/s (mailbox bytes / wall-clock seconds, MB = 10^6
# bytes) and each client's rate as a share of poplib's.
#
# usage: bench/pop3/tls.sh [BUILD_DIR] [ROUNDS]       (default build/, 2 rounds)
#        MAILBOX="20 50 1 2" bench/pop3/tls.sh ...    (a smaller mailbox, as in run.sh)
# Needs dovecot-core, dovecot-pop3d, openssl, libssl-dev and python3.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/lib.sh
. "$here/../lib.sh"
bench_cli "${1:-}"
rounds=${2:-2}
for tool in /usr/sbin/dovecot /usr/bin/openssl /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

W=$(mktemp -d /tmp/mv-pop3s-bench-XXXXXX)
# shellcheck source=bench/pop3/dovecot.sh
. "$here/dovecot.sh"
trap 'stop_dovecot "$W"; rm -rf "$W"' EXIT
g++ -std=c++20 -O2 -I"$here/../.." "$here/retr_only.cpp" -o "$W/retr_only" -Wl,--start-group \
  "$build/mime/libmv_mime.a" "$build/net/libmv_net.a" "$build/platform/libmv_platform.a" -Wl,--end-group \
  -lssl -lcrypto

# A CA and a certificate for "localhost" signed by it.
cat >"$W/openssl.cnf" <<'CNF'
[req]
distinguished_name = dn
prompt = no
[dn]
CN = bench CA
[ca]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
[server]
basicConstraints = CA:FALSE
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost
CNF
key=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
openssl req -x509 "${key[@]}" -config "$W/openssl.cnf" -extensions ca -days 1 -subj "/CN=bench CA" \
  -keyout "$W/ca.key" -out "$W/ca.crt" 2>/dev/null
openssl req "${key[@]}" -config "$W/openssl.cnf" -subj "/CN=localhost" -keyout "$W/server.key" \
  -out "$W/server.csr" 2>/dev/null
openssl x509 -req -in "$W/server.csr" -CA "$W/ca.crt" -CAkey "$W/ca.key" -CAcreateserial -days 1 \
  -extfile "$W/openssl.cnf" -extensions server -out "$W/server.crt" 2>/dev/null
chmod 0644 "$W"/*.crt "$W/server.key"

port=$(free_port)
tls_port=$(free_port)
# shellcheck disable=SC2086 # MAILBOX is four separate numbers
total=$(/usr/bin/python3 "$here/make_mailbox.py" "$W/mail/test" ${MAILBOX:-})
messages=$(find "$W/mail/test/cur" -type f | wc -l)
start_dovecot "$W" "$port" "$tls_port" "$W/server.crt" "$W/server.key"

pop3_fetch() {
  rm -rf "$W/out"
  "$cli" pop3-fetch --host localhost --port "$tls_port" --security tls --cafile "$W/ca.crt" \
    --user test --password secret --out "$W/out"
}
pop3_fetch_plain() {
  rm -rf "$W/out"
  "$cli" pop3-fetch --host localhost --port "$port" --user test --password secret --out "$W/out"
}
retr_only() { "$W/retr_only" localhost "$tls_port" test secret 1024 "$W/ca.crt"; }
poplib_ssl() { /usr/bin/python3 "$here/poplib_fetch.py" localhost "$tls_port" test secret "$W/ca.crt"; }

echo "mailbox: $messages messages, $total bytes, POP3S"
poplib_ssl >/dev/null # warm the page cache
printf '%-34s %8s %8s %10s\n' "client" "seconds" "MB/s" "x poplib"
for round in $(seq "$rounds"); do
  t_poplib=$(seconds poplib_ssl)
  t_fetch=$(seconds pop3_fetch)
  t_retr=$(seconds retr_only)
  t_plain=$(seconds pop3_fetch_plain)
  share() { awk -v a="$t_poplib" -v b="$1" 'BEGIN { printf "%.2f", a / b }'; }
  printf '%-34s %8.2f %8s %10s\n' "python3 poplib.POP3_SSL" "$t_poplib" "$(rate "$t_poplib")" "1.00"
  printf '%-34s %8.2f %8s %10s\n' "pop3-fetch, 1024-byte receives" "$t_fetch" "$(rate "$t_fetch")" "$(share "$t_fetch")"
  printf '%-34s %8.2f %8s %10s\n' "retr_only, 1024-byte receives" "$t_retr" "$(rate "$t_retr")" "$(share "$t_retr")"
  printf '%-34s %8.2f %8s %10s\n' "pop3-fetch without TLS" "$t_plain" "$(rate "$t_plain")" "$(share "$t_plain")"
done
