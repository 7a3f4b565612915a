#!/usr/bin/env bash
# Reads the includes of src/ and fails, naming the file, when one points to a
# higher floor or sideways between the three middle folders, or when a file
# outside src/host/ includes SDL, libopenmpt or FLTK. The floors, lowest
# first: base; host; display, effects2d and engine3d side by side; director;
# shell; main.cpp.
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"
# The director's recipes are the show, and the show object lives in the
# shell, which owns it: that one include is allowed to point up.
exceptions=("director/director.cpp shell/demo.h")

floor() {
  case "$1" in
    base) echo 0 ;; host) echo 1 ;; display | effects2d | engine3d) echo 2 ;;
    director) echo 3 ;; shell) echo 4 ;; main.cpp) echo 5 ;; *) echo -1 ;;
  esac
}

status=0
while IFS= read -r file; do
  rel="${file#"$src"/}"
  from="${rel%%/*}"
  while IFS= read -r target; do
    if [[ "$target" =~ ^(SDL|SDL2/|libopenmpt/|FL/) ]]; then
      if [ "$from" != host ]; then
        echo "src/$rel includes <$target>: only src/host/ may use SDL, libopenmpt or FLTK" >&2
        status=1
      fi
      continue
    fi
    to="${target%%/*}"
    [ "$to" = "$target" ] && continue  # a system header or one beside it
    [ "$(floor "$to")" -lt 0 ] && continue
    [ "$from" = "$to" ] && continue
    allowed=0
    for e in "${exceptions[@]}"; do [ "$e" = "$rel $target" ] && allowed=1; done
    [ "$allowed" -eq 1 ] && continue
    if [ "$(floor "$to")" -ge "$(floor "$from")" ]; then
      echo "src/$rel includes \"$target\": $to is not below $from" >&2
      status=1
    fi
  done < <(sed -n -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/p' "$file")
done < <(find "$src" -name '*.h' -o -name '*.cpp' | sort)
[ "$status" -eq 0 ] && echo "layering: every include of src/ points down"
exit "$status"
