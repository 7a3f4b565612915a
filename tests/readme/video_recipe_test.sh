#!/usr/bin/env bash
# The README's video recipe, run as written (the recording cut to a clip):
# the mp4 it makes says what its pixels are, BT.601 at studio range, so a
# player neither stretches the levels nor guesses the matrix.
#   video_recipe_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source=$1 build=$2
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
# The block that follows the heading, with its continued lines joined.
recipe=$(awk '/^## Recording a video/ {on = 1} on && /^```sh/ {block = 1; next}
              block && /^```/ {exit} block' "$source/README.md" | sed -e ':a' -e '/\\$/N; s/\\\n//; ta')
record=$(grep '^build/dorsel ' <<<"$recipe")
convert=$(grep '^ffmpeg ' <<<"$recipe")
[ -n "$record" ] && [ -n "$convert" ] || { echo "FAIL: no recipe in the README: $recipe"; exit 1; }
# The manual's recipe gives the same options (roff writes each - as \-).
for word in $convert; do
  grep -qF -- "${word//-/\\-}" "$source/docs/dorsel.6" || { echo "FAIL: the manual's recipe lacks $word"; exit 1; }
done
cd "$work" || exit 1
bash -c "${record//build\//$build/} --end 300" >/dev/null 2>&1 || { echo "FAIL: $record"; exit 1; }
bash -c "ffmpeg -nostdin -loglevel error ${convert#ffmpeg }" </dev/null || { echo "FAIL: $convert"; exit 1; }
mp4=$(grep -o '[^ ]*\.mp4' <<<"$convert")
got=$(ffprobe -v error -show_entries stream=codec_type,width,height,color_range,color_space,color_primaries,color_transfer \
  -of compact=nk=0 "$mp4" | sort)
expected='stream|codec_type=audio
stream|codec_type=video|width=512|height=384|color_range=tv|color_space=smpte170m|color_transfer=smpte170m|color_primaries=smpte170m'
[ "$got" = "$expected" ] || { printf 'FAIL: ffprobe says\n%s\nnot\n%s\n' "$got" "$expected"; exit 1; }
echo "the README's recipe makes a tagged 512x384 BT.601 studio-range mp4 with sound"
