#!/usr/bin/env bash
# The message reader against GMime: mailvornex-cli msg-extract beside a small
# GMime extractor (gmime_extract.c, built here and nowhere else) and ripmime,
# on four message shapes (make_shapes.py), in the same run.
#   bench/mime/vs_gmime.sh [BUILD_DIR] [ROUNDS]     (default: build 7)
# The tools take turns within each round, so a slow spell of the machine falls
# on all of them alike; the median wall time counts. Prints per shape and tool
# the median, the time ratio ours/GMime, CPU time (user + system, median) and
# peak RSS; fails when msg-extract and GMime disagree on an attachment.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/lib.sh
. "$here/../lib.sh"
build=${1:-build}
rounds=${2:-7}
cli=$(cd "$build" && pwd)/bin/mailvornex-cli
work=${TMPDIR:-/tmp}/mv-bench-gmime
[[ -x $cli ]] || { echo "no $cli: build the mailvornex-cli target first" >&2; exit 2; }

# The GMime headers and library are the benchmark's own need.
need=()
for pkg in libgmime-3.0-dev ripmime pkg-config gcc; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || need+=("$pkg")
done
if ((${#need[@]})); then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi

rm -rf "$work" && mkdir -p "$work"
gcc -O2 -o "$work/gmime_extract" "$here/gmime_extract.c" $(pkg-config --cflags --libs gmime-3.0)
python3 "$here/make_shapes.py" "$work/in"


# run TOOL MESSAGE: one run into a fresh $work/out/TOOL; "wall cpu peak-KB".
run() {
  local tool=$1 msg=$2 out=$work/out/$1
  rm -rf "$out" && mkdir -p "$out"
  case $tool in
    msg-extract) set -- "$cli" msg-extract "$msg" "$out" ;;
    gmime) set -- "$work/gmime_extract" "$msg" "$out" ;;
    ripmime) set -- ripmime -i "$msg" -d "$out" ;;
  esac
  # time(1) counts wall time in hundredths, too coarse for the text shapes:
  # the wall time is the shell's clock around it.
  local start=$EPOCHREALTIME
  /usr/bin/time -f '%U %S %M' -o "$work/time" "$@" >"$work/$tool.stdout"
  local end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" '{printf "%.4f %.2f %s\n", b - a, $1 + $2, $3}' "$work/time"
}

tools=(msg-extract gmime ripmime)
printf '%-14s %-12s %9s %12s %9s %13s\n' shape tool "median s" "ours/GMime" "CPU s" "peak RSS MB"
for msg in "$work"/in/*.eml; do
  shape=$(basename "$msg" .eml)
  declare -A wall=() cpu=() rss=()
  for ((r = 0; r < rounds; r++)); do
    for tool in "${tools[@]}"; do
      read -r w c m < <(run "$tool" "$msg")
      wall[$tool]+="$w " cpu[$tool]+="$c "
      ((m > ${rss[$tool]:-0})) && rss[$tool]=$m
    done
    if ! diff <(sort "$work/msg-extract.stdout") <(sort "$work/gmime.stdout") >/dev/null; then
      echo "$shape: msg-extract and GMime disagree:" >&2
      diff <(sort "$work/msg-extract.stdout") <(sort "$work/gmime.stdout") >&2 || true
      exit 1
    fi
    # ripmime writes the text parts as files too: only the attachments are compared.
    while read -r _ sum name; do
      [[ $(sha256sum "$work/out/ripmime/$name" | cut -d' ' -f1) == "$sum" ]] ||
        { echo "$shape: ripmime's $name differs" >&2; exit 1; }
    done <"$work/msg-extract.stdout"
  done
  gm=$(median_of "${wall[gmime]}")
  for tool in "${tools[@]}"; do
    w=$(median_of "${wall[$tool]}")
    c=$(median_of "${cpu[$tool]}")
    printf '%-14s %-12s %9.4f %12.2f %9.3f %13.1f\n' "$shape" "$tool" "$w" "$(echo "$w / $gm" | bc -l)" "$c" \
      "$(echo "${rss[$tool]} / 1024" | bc -l)"
  done
  unset wall cpu rss
done
rm -rf "$work"
