# Sourced by the benchmark scripts: the helpers they share.
#
#   bench_cli [BUILD_DIR]  sets build (absolute; default the repository's build/)
#                          and cli, or ends the script when the program is not built
#   free_port              a free TCP port on 127.0.0.1
#   seconds COMMAND...     wall-clock seconds of the command on stdout; its output
#                          goes to $W/last.log, a failure ends the script
#   rate SECONDS           MB/s (10^6 bytes) for $total bytes in that time
#   median                 the median of the numbers on stdin, one a line (the
#                          mean of the middle two for an even count)
#   median_of "A B ..."    the same for numbers separated by blanks

bench_cli() {
  build=$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/../build}" && pwd)
  cli=$build/bin/mailvornex-cli
  [ -x "$cli" ] || { echo "no $cli: build the mailvornex-cli target first" >&2; exit 1; }
}

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

seconds() {
  local start=$EPOCHREALTIME
  "$@" >"$W/last.log" 2>&1 || { echo "failed: $*" >&2; tail "$W/last.log" >&2; exit 1; }
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'
}

rate() { awk -v t="$1" -v n="$total" 'BEGIN { printf "%.1f", n / t / 1000000 }'; }

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
median_of() { tr ' ' '\n' <<<"$1" | grep . | median; }
