#!/usr/bin/env bash
# Installs what is missing, builds, then starts the program ("run"), runs every
# test ("test") or builds and runs the plain libraries' tests under
# AddressSanitizer and UndefinedBehaviorSanitizer ("sanitize").
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev nlohmann-json3-dev zlib1g-dev libdeflate-dev libsqlite3-dev libarchive-dev
  qt6-base-dev libgl-dev libssl-dev
)
TEST_PACKAGES=(
  xvfb xauth dovecot-core dovecot-pop3d python3-aiosmtpd openssl
  zip unzip p7zip-full libarchive-tools
)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

jobs=$(nproc)
build() { # build-dir cmake-args...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

case "${1:-}" in
  run)
    install_missing "${PACKAGES[@]}"
    build build
    exec build/bin/mailvornex
    ;;
  test)
    install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build build
    cd build && QT_QPA_PLATFORM=offscreen ctest -j"$jobs" --output-on-failure --timeout 600
    ;;
  sanitize)
    install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build build-asan -DMV_WITH_QT=OFF -DMV_SANITIZE=ON
    cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest -j"$jobs" --output-on-failure --timeout 900
    ;;
  *)
    echo "usage: tools/setup.sh run|test|sanitize" >&2
    exit 2
    ;;
esac
