#!/usr/bin/env bash
# The whole courier against two baselines on one dovecot mailbox (500
# messages, 185 MB: PDF-like and binary attachments of 20 KB to 1 MB, a tenth
# of them ZIPs; see make_mailbox.py), in the same run:
#   courier    one `mailvornex-cli check` with a fresh program directory:
#              download, decode, unpack, file by four rules, record
#              (Ch_Del off, so the mailbox stays as it is for the next client)
#   poplib     python3 poplib, RETR of every message and nothing else
#   fetchmail+ripmime  fetchmail delivering each message to a file through
#              an MDA, then ripmime writing out the attachments of every file
# Reports for each: wall-clock seconds, CPU seconds (user + system: steadier
# than wall time on a busy machine), messages/s, MB/s (mailbox bytes as the
# server counts them, MB = 10^6 bytes) and peak resident set size
# (/usr/bin/time; for fetchmail+ripmime the largest of its processes), then
# the medians over the rounds against the targets: the courier at least 0.7x
# poplib's and 3x fetchmail+ripmime's throughput, under 64 MB resident.
# Each round checks that the courier filed every file and that the baselines
# fetched every message.
#
# usage: bench/desk/run.sh [BUILD_DIR] [ROUNDS]     (default build/, 3 rounds)
#        COUNT=50 bench/desk/run.sh ...              (a smaller mailbox, for a quick check)
#        HISTORY=50000 bench/desk/run.sh ...         (the courier's protocol holds 50,000 older records)
#        PROFILE=1 bench/desk/run.sh ...             (then one courier run under strace -c -w and one under perf)
# Installs dovecot-core, dovecot-pop3d, fetchmail, ripmime and time when they
# are missing (as root). Everything lives in a private temporary directory
# and on a free port of 127.0.0.1.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../pop3/dovecot.sh
. "$here/../pop3/dovecot.sh"
# shellcheck source=bench/lib.sh
. "$here/../lib.sh"
bench_cli "${1:-}"
rounds=${2:-3}
python=/usr/bin/python3 # Debian's, whatever python3 comes first on PATH

install_missing() {
  local missing=()
  [ -x /usr/sbin/dovecot ] || missing+=(dovecot-core)
  [ -x /usr/lib/dovecot/pop3 ] || missing+=(dovecot-pop3d)
  command -v fetchmail >/dev/null || missing+=(fetchmail)
  command -v ripmime >/dev/null || missing+=(ripmime)
  [ -x /usr/bin/time ] || missing+=(time)
  [ ${#missing[@]} -eq 0 ] && return
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (apt-get install them as root)" >&2
    exit 1
  fi
  echo "installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}
install_missing

W=$(mktemp -d /tmp/mv-desk-bench-XXXXXX)
cleanup() {
  stop_dovecot "$W"
  rm -rf "$W"
}
trap cleanup EXIT

echo "writing the mailbox"
read -r total messages files < <($python "$here/make_mailbox.py" "$W/mail/test" "${COUNT:-500}")

port=$(free_port)
start_dovecot "$W" "$port" || exit 1

# The courier's program directory: the mailbox in Mail.ini, four rules in
# FilePath.ini (a sender-specific one first, a catch-all last), all ASCII so
# the Windows-1251 files need no conversion; with HISTORY, a protocol table
# that already holds that many records.
make_base() { # dir
  local base=$1 filed=$1/Filed
  mkdir -p "$base"
  if [ "${HISTORY:-0}" -gt 0 ]; then
    # Without Mail.ini the check stops at once, after creating the protocol table.
    "$cli" check --base "$base" >/dev/null 2>&1 || true
    $python "$here/fill_protocol.py" "$base/Protocol/Protocol.db" "$HISTORY"
  fi
  (
    umask 077
    printf '[Pop3]\r\nServerName=127.0.0.1\r\nServerPort=%s\r\nServerUser=test\r\nServerPassword=secret\r\n[Check]\r\nCh_Del=0\r\n' \
      "$port" >"$base/Mail.ini"
  )
  printf '[FilePath]\r\nF1=*.pdf\r\nA1=*@bank.example\r\nP1=%s/bank/\r\nF2=*.pdf\r\nA2=\r\nP2=%s/pdf/\r\n' \
    "$filed" "$filed" >"$base/FilePath.ini"
  printf 'F3=*.xls\r\nA3=\r\nP3=%s/tables/\r\nF4=\r\nA4=\r\nP4=%s/other/\r\n[Count]\r\nCNT=4\r\n' \
    "$filed" "$filed" >>"$base/FilePath.ini"
}

cat >"$W/save-message" <<SAVE
#!/bin/sh
exec cat >"\$(mktemp "$W/fetched/msg.XXXXXXXX")"
SAVE
chmod 755 "$W/save-message"
write_fetchmailrc "$W" "$port" "$W/save-message"
cat >"$W/fetch-and-unpack" <<RUN
#!/bin/sh
set -e
HOME=$W fetchmail -f "$W/fetchmailrc" --nodetach --silent
for message in "$W"/fetched/msg.*; do
  mkdir "$W/unpacked/\${message##*.}"
  ripmime -i "\$message" -d "$W/unpacked/\${message##*.}" --no-nameless
done
RUN
chmod 755 "$W/fetch-and-unpack"

count_files() { find "$1" -type f | wc -l; }

# measure NAME COMMAND...: runs the command under /usr/bin/time, output to
# $W/out.log and $W/err.log; sets seconds, cpu and rss_kb.
measure() {
  local name=$1
  shift
  local status=0
  /usr/bin/time -f '%e %U %S %M' -o "$W/time.txt" "$@" >"$W/out.log" 2>"$W/err.log" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "$name failed (exit $status):" >&2
    tail "$W/err.log" >&2
    exit 1
  fi
  read -r seconds user system rss_kb <"$W/time.txt"
  cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
}

run_courier() { # round
  local base=$W/base.$1
  make_base "$base"
  measure courier "$cli" check --base "$base"
  local filed
  filed=$(count_files "$base/Filed")
  if [ "$filed" -ne "$files" ] || [ -s "$W/err.log" ]; then
    echo "the courier filed $filed of $files files:" >&2
    head "$W/err.log" >&2
    exit 1
  fi
  rm -rf "$base"
}

run_poplib() {
  measure poplib $python "$here/../pop3/poplib_fetch.py" 127.0.0.1 "$port" test secret
  [ "$(cat "$W/out.log")" -eq "$total" ] || { echo "poplib fetched $(cat "$W/out.log") of $total bytes" >&2; exit 1; }
}

run_fetchmail() {
  rm -rf "$W/fetched" "$W/unpacked"
  mkdir "$W/fetched" "$W/unpacked"
  measure fetchmail+ripmime "$W/fetch-and-unpack"
  local fetched unpacked
  fetched=$(count_files "$W/fetched") unpacked=$(count_files "$W/unpacked")
  if [ "$fetched" -ne "$messages" ] || [ "$unpacked" -lt "$messages" ]; then
    echo "fetchmail fetched $fetched of $messages messages, ripmime wrote $unpacked files" >&2
    exit 1
  fi
  rm -rf "$W/fetched" "$W/unpacked"
}

row() { # client
  awk -v c="$1" -v t="$seconds" -v cpu="$cpu" -v kb="$rss_kb" -v n="$messages" -v b="$total" \
    'BEGIN { printf "%-20s %8.2f %8.2f %8.1f %8.1f %8.1f\n", c, t, cpu, n / t, b / t / 1e6, kb / 1024 }'
  echo "$1 $seconds $cpu $rss_kb" >>"$W/results"
}

echo "mailbox: $messages messages, $total bytes, $files files to file; dovecot on 127.0.0.1:$port"
run_poplib # warms the page cache and lets dovecot build its index
printf '%-20s %8s %8s %8s %8s %8s\n' client seconds cpu-s msg/s MB/s rss-MB
for round in $(seq "$rounds"); do
  run_courier "$round"
  row courier
  run_poplib
  row poplib
  run_fetchmail
  row fetchmail+ripmime
done

echo "medians of $rounds rounds:"
sort -k1,1 -k2,2n "$W/results" | awk -v n="$messages" -v b="$total" -v rounds="$rounds" '
  { t[$1] = t[$1] " " $2; r[$1] = ($4 > r[$1] ? $4 : r[$1]) }
  function median(list,   a, k) { k = split(list, a, " "); return a[int((k + 1) / 2)] }
  END {
    for (c in t) m[c] = median(t[c])
    for (c in t)
      printf "%-20s %8.2f s %8.1f msg/s %8.1f MB/s %8.1f MB peak\n", c, m[c], n / m[c], b / m[c] / 1e6, r[c] / 1024
    vs_poplib = m["poplib"] / m["courier"]
    vs_fetchmail = m["fetchmail+ripmime"] / m["courier"]
    printf "courier vs poplib            %5.2fx (target >= 0.7x) %s\n", vs_poplib, (vs_poplib >= 0.7 ? "met" : "MISSED")
    printf "courier vs fetchmail+ripmime %5.2fx (target >= 3x)   %s\n", vs_fetchmail, (vs_fetchmail >= 3 ? "met" : "MISSED")
    printf "courier peak RSS          %8.1f MB (target < 64 MB) %s\n", r["courier"] / 1024, (r["courier"] < 65536 ? "met" : "MISSED")
  }'

if [ -n "${PROFILE:-}" ]; then
  # Most of the courier's time is spent waiting, not computing: the system
  # calls' wall-clock times show where it waits, perf where it computes.
  for tool in strace perf; do
    command -v $tool >/dev/null || { echo "PROFILE needs $tool (packages strace, linux-perf)" >&2; exit 1; }
  done
  make_base "$W/base.strace"
  echo "system calls of one courier run by wall-clock time (strace -c -w; it slows every call):"
  strace -f -c -w -o "$W/strace.txt" "$cli" check --base "$W/base.strace" >/dev/null 2>&1
  head -14 "$W/strace.txt"
  make_base "$W/base.perf"
  echo "the courier's functions by share of its CPU time, callees included (perf):"
  perf record -q -F 499 --call-graph dwarf,16384 -o "$W/perf.data" "$cli" check --base "$W/base.perf" >/dev/null 2>&1
  perf report -i "$W/perf.data" --children --sort symbol --percent-limit 3 --stdio -g none 2>/dev/null |
    awk '/%.*\[\.\] [^0]/ && !/_start|main|RunCheck|RunCycle/ {
      share = $1; sub(/^ *[0-9.]+% +[0-9.]+% +\[\.\] /, ""); sub(/ +- +- *$/, ""); printf "%8s  %s\n", share, $0 }' |
    head -40
fi
