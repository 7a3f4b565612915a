#!/usr/bin/env bash
# An install as a user makes one: `cmake --install` into a fresh prefix, then
# the installed program run from folders that hold no data, where it has to
# find share/dorsel by itself; the desktop files pass their validators.
#   installed_test.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
prefix=$work/usr
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

# Every installed file; the icons as 8-bit RGBA PNGs of their folder's size.
expected="bin/dorsel bin/dorsel-inspect share/dorsel/what2xx.it share/man/man6/dorsel.6
  share/applications/dorsel.desktop share/metainfo/org.dorsel.dorsel.metainfo.xml"
for size in 16 32 48 64 128 256; do expected+=" share/icons/hicolor/${size}x${size}/apps/dorsel.png"; done
for file in $expected; do [ -f "$prefix/$file" ] || fail "$file is not installed"; done
[ -e "$prefix/share/dorsel/.written" ] && fail "the build's stamp was installed"
for size in 16 32 48 64 128 256; do
  header=$(od -An -tu1 -j16 -N10 "$prefix/share/icons/hicolor/${size}x${size}/apps/dorsel.png" | tr -s ' ')
  side="0 0 $((size >> 8)) $((size & 255))"
  [ "$header" = " $side $side 8 6" ] || fail "icon $size: IHDR$header"
done

# Where the data is found: the current folder only when what2xx.it there is
# a file; else the install's share/dorsel; the message names every folder
# tried. A copy of the program with no data beside it finds none.
mkdir -p "$work/empty" "$work/song-is-a-folder/what2xx.it" "$work/own-song" "$work/lone/bin"
: > "$work/own-song/what2xx.it"
cp "$prefix/bin/dorsel" "$work/lone/bin/dorsel"
# folder | program | exit code | what it prints (grep -E)
while IFS='|' read -r folder program code says; do
  out=$(cd "$work/$folder" && "$work/$program" --headless --end 1000 2>&1)
  got=$?
  [ "$got" = "$code" ] || fail "$program in $folder exits $got, not $code: $(tail -n 1 <<<"$out")"
  grep -Eq -- "$says" <<<"$out" || fail "$program in $folder does not say /$says/: $(tail -n 1 <<<"$out")"
done <<TABLE
empty|usr/bin/dorsel|0|frames 61, last demo time 1000 ms
song-is-a-folder|usr/bin/dorsel|0|frames 61, last demo time 1000 ms
own-song|usr/bin/dorsel|1|Fmod ERROR!
empty|lone/bin/dorsel|1|^dorsel: no data: what2xx.it is in none of $work/empty, $work/lone/bin/data, $work/lone/share/dorsel; give the folder with --data DIR$
TABLE

desktop-file-validate "$prefix/share/applications/dorsel.desktop" || fail "desktop-file-validate"
appstreamcli validate --pedantic --no-net "$prefix/share/metainfo/org.dorsel.dorsel.metainfo.xml" ||
  fail "appstreamcli validate"
# The newest release the software centre shows is the program's version.
version=$("$prefix/bin/dorsel" --version)
newest=$(grep -m1 -o '<release version="[^"]*"' "$prefix/share/metainfo/org.dorsel.dorsel.metainfo.xml")
[ "$newest" = "<release version=\"${version#dorsel }\"" ] || fail "the newest release is $newest, not $version"
[ "$failed" = 0 ] && echo "installed layout, data search and desktop files: all good"
exit "$failed"
