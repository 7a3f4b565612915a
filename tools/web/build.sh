#!/usr/bin/env bash
# Builds the show's code for the browser: WebAssembly and JavaScript, from
# the same sources and the same CMakeLists as the desktop build, into
# build-web/ (or $DORSEL_WEB_BUILD). The libraries come from the prefix
# tools/web/deps.sh builds once per machine.
#
#   tools/web/build.sh [cmake --build options, e.g. --target dorsel-hashes]
set -euo pipefail
cd "$(dirname "$0")/../.."

prefix=$(tools/web/deps.sh)
build="${DORSEL_WEB_BUILD:-build-web}"
jobs="${DORSEL_WEB_JOBS:-2}"

# See tools/web/deps.sh: what emcc needs on these machines.
export NODE_PATH=/usr/share/nodejs
export NODE_OPTIONS=--no-experimental-fetch
export EMSDK_PYTHON=/usr/bin/python3

node=$(command -v node)
# emcmake would make node the emulator with a flag that node 20 refuses.
emcmake cmake -S . -B "$build" -DDORSEL_WEB_PREFIX="$prefix" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$node;--no-experimental-fetch" >/dev/null
nice cmake --build "$build" -j"$jobs" "$@"
