#!/usr/bin/env bash
# Sets up a Debian or Ubuntu machine for dorsel, builds it, and then either
# starts the show or runs every test.
#
#   ./build.sh run [dorsel options]   install what is missing, build, play the show
#   ./build.sh test                   install what is missing, build, run every test
#   ./build.sh build                  install what is missing and build
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake pkg-config git libsdl2-dev libopenmpt-dev zlib1g-dev assimp-utils
          libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool x11-utils imagemagick sox
          libfltk1.3-dev openbox wmctrl)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)"
}

command="${1:-run}"
[ $# -gt 0 ] && shift
case "$command" in
  run)
    install_missing
    build
    exec build/dorsel --data build/data "$@"
    ;;
  test)
    install_missing
    build
    cd build
    exec ctest --output-on-failure -j"$(nproc)" --timeout 600
    ;;
  build)
    install_missing
    build
    ;;
  *)
    echo "usage: ./build.sh run|test|build" >&2
    exit 2
    ;;
esac
