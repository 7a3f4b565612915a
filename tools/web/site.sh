#!/usr/bin/env bash
# Builds the page into build-web/ (or $DORSEL_WEB_BUILD): a static folder
# that any web server can host from any path.
#
#   index.html page.js page.css    the page
#   dorsel.js dorsel.wasm          the program
#   data/                          the data files the desktop build's assetgen
#                                  wrote, and data/files.txt, their list
#
#   tools/web/site.sh
#
# The desktop build (build/) writes the data files: the WebAssembly assetgen
# writes some of them a little differently (docs/web.md).
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs="${DORSEL_WEB_JOBS:-2}"
web="${DORSEL_WEB_BUILD:-build-web}"

# A desktop build made here needs no GoogleTest; one that has the tests
# (./build.sh test) keeps them.
if [ -f build/CMakeCache.txt ]; then
  cmake -S . -B build >/dev/null
else
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
fi
nice cmake --build build -j"$jobs" --target data
tools/web/build.sh --target dorsel-web

rm -rf "$web/data"
mkdir -p "$web/data"
find build/data -maxdepth 1 -type f ! -name '.*' -exec cp {} "$web/data/" \;
(cd "$web/data" && find . -maxdepth 1 -type f ! -name files.txt -printf '%f\n' | LC_ALL=C sort > files.txt)
echo "The page is in $web/: index.html page.js page.css dorsel.js dorsel.wasm data/ ($(wc -l < "$web/data/files.txt") data files)"
