#!/usr/bin/env bash
# Plays the whole show headless once and lays the frames nearest the given
# demo times (in seconds) out as one labelled contact sheet.
#
#   tools/contact_sheet.sh OUT.jpg 5 30 55 ...
#
# The show runs from the start so every frame carries what came before it
# (the zoom's texture, the typed pages, the melting object), as a viewer sees it.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$1; shift
[ $# -gt 0 ] || { echo "usage: tools/contact_sheet.sh OUT.jpg SECONDS..." >&2; exit 2; }
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fps=${FPS:-30}
build/dorsel --headless --data build/data --fps "$fps" --frames "$work/all" --every "${EVERY:-30}" >/dev/null
frames=("$work"/all/t*.png)
tiles=()
for s in "$@"; do
  want=$(( s * 1000 ))
  pick=""
  for f in "${frames[@]}"; do
    t=$(basename "$f" .png); t=$((10#${t#t}))
    if [ "$t" -ge "$want" ]; then pick=$f; break; fi
  done
  [ -n "$pick" ] || { echo "no frame at ${s} s" >&2; exit 1; }
  label=$(printf '%d s' "$s")
  convert "$pick" -background '#202020' -fill '#d0d0d0' -font DejaVu-Sans -pointsize 18 \
    label:"$label" -gravity center -append "$work/tile-$(printf '%07d' "$want").png"
  tiles+=("$work/tile-$(printf '%07d' "$want").png")
done
montage "${tiles[@]}" -tile 4x -geometry 256x212+4+4 -background "#101010" -quality 85 "$out"
echo "wrote $out (${#tiles[@]} frames)"
