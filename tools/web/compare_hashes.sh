#!/usr/bin/env bash
# Proves the browser build draws the show's very pixels: dorsel-hashes runs
# the whole show headless on the desktop and as WebAssembly under node, with
# the packed forms off and on, and every frame's hash must be the same. Also
# tells which data files the WebAssembly assetgen writes differently.
#
#   tools/web/compare_hashes.sh [FPS]     (default 10)
#
# The desktop build goes into build/ (only what the comparison needs), the
# browser build into build-web/; the hash lists into build-web/hashes/.
set -euo pipefail
cd "$(dirname "$0")/../.."
fps="${1:-10}"
jobs="${DORSEL_WEB_JOBS:-2}"
web="${DORSEL_WEB_BUILD:-build-web}"

cmake -S . -B build >/dev/null
nice cmake --build build -j"$jobs" --target assetgen data dorsel-hashes
tools/web/build.sh --target dorsel-hashes assetgen toolchain-check

export NODE_OPTIONS=--no-experimental-fetch
node "$web/toolchain-check.js"
out="$web/hashes"
mkdir -p "$out"
seconds() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }
failed=0

# Each run alone, so the times are the program's and not a neighbour's.
for mmx in 0 1; do
  t=$(date +%s.%N)
  build/dorsel-hashes --data build/data --fps "$fps" --mmx "$mmx" --out "$out/native-mmx$mmx.txt" >/dev/null
  native_s=$(seconds "$t")
  t=$(date +%s.%N)
  node "$web/dorsel-hashes.js" --data build/data --fps "$fps" --mmx "$mmx" --out "$out/web-mmx$mmx.txt" >/dev/null
  web_s=$(seconds "$t")
  frames=$(grep -c '^frame ' "$out/native-mmx$mmx.txt" || true)
  if [ "$frames" -eq 0 ]; then
    echo "useMmx $mmx: the desktop run printed no frames" >&2
    failed=1
  elif cmp -s "$out/native-mmx$mmx.txt" "$out/web-mmx$mmx.txt"; then
    echo "useMmx $mmx: $frames frames, identical (desktop $native_s s, node $web_s s)"
  else
    echo "useMmx $mmx: DIFFERENT (desktop $native_s s, node $web_s s); first differences:" >&2
    diff "$out/native-mmx$mmx.txt" "$out/web-mmx$mmx.txt" | head -n 10 >&2 || true
    failed=1
  fi
done
# The packed forms part from the plain ones in a few known places, so some
# frames differ between the two runs: the count shows both forms were drawn.
forms=$(diff "$out/native-mmx0.txt" "$out/native-mmx1.txt" | grep -c '^< frame' || true)
echo "useMmx 0 and 1 differ in $forms frames (on both builds alike, as above)"

# The WebAssembly assetgen is run too, for what it tells: its C library's
# sinf, cosf and atan2f round differently from glibc's in places, so a few
# pixels of some pictures and a few vertices of the scenes come out one step
# apart. The browser build reads the desktop build's files, so that is no
# failure of the comparison; it is listed.
data="$out/data"
rm -rf "$data"
node "$web/assetgen.js" "$data" >/dev/null
total=$(find build/data -type f ! -name .written | wc -l)
differing=$(diff -r -q -x .written build/data "$data" | wc -l || true)
echo "data files: the WebAssembly assetgen wrote $((total - differing)) of $total files as the desktop one did"
diff -r -q -x .written build/data "$data" | sed 's/^/  /' || true
exit "$failed"
