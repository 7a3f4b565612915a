#!/usr/bin/env bash
# Builds the loaders' fuzz targets with clang, makes their seed corpora and
# runs them.
#
#   tools/fuzz.sh [target] [seconds]   target: pcx, pcx_indexed, scene or all
#                                      (default all), for seconds each (default 60)
#
# Everything lives in build-fuzz (or $FUZZ_BUILD): the targets in fuzz/, the
# seeds in seeds/<target>, the growing corpora in corpus/<target>, crashes
# and the like in findings/<target>, each run's output in logs/. A target
# that finds something ends its run; the script goes on with the next one
# and exits with 1 at the end. Extra libFuzzer options may be given in
# $FUZZ_OPTIONS (e.g. "-only_ascii=1").
#
# Inputs go up to 1 MB, and each must be done within a second and 512 MB:
# a slow or memory-hungry input is a finding like a crash is.
set -euo pipefail
cd "$(dirname "$0")/.."

ALL_TARGETS=(pcx pcx_indexed scene)
target="${1:-all}"
seconds="${2:-60}"
build="${FUZZ_BUILD:-build-fuzz}"

case "$target" in
  all) targets=("${ALL_TARGETS[@]}") ;;
  pcx|pcx_indexed|scene) targets=("$target") ;;
  *) echo "usage: tools/fuzz.sh [pcx|pcx_indexed|scene|all] [seconds]" >&2; exit 2 ;;
esac
[[ "$seconds" =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || { echo "seconds must be a positive number" >&2; exit 2; }
command -v clang++ >/dev/null || { echo "the fuzz targets need clang++" >&2; exit 2; }

build_targets() {
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDORSEL_FUZZ=ON "${launcher[@]}" >/dev/null
  # The data target writes the show's own files, the first seeds.
  cmake --build "$build" -j2 --target fuzz_pcx fuzz_pcx_indexed fuzz_scene fuzz_seeds data
}

# Pictures and scenes as the show's generator writes them, hostile ones made
# by hand (tools/fuzz/seeds), and as other programs write them: ImageMagick
# for PCX (24-bit and palettised, odd and even widths), assimp for 3DS from
# small hand-written OBJ meshes.
make_seeds() {
  local pcx="$build/seeds/pcx" scene="$build/seeds/scene" work="$build/seeds/work"
  rm -rf "$build/seeds"
  mkdir -p "$pcx" "$scene" "$work"
  cp "$build"/data/*.pcx "$pcx"/
  cp "$build"/data/*.3DS "$scene"/
  "$build/fuzz/fuzz_seeds" "$build/seeds"
  if command -v convert >/dev/null; then
    local w
    for w in 1 7 13 14 64; do
      convert -size "${w}x9" gradient:red-blue -type TrueColor "$pcx/im-rgb-$w.pcx"
      convert -size "${w}x9" plasma:fractal -seed 1 -colors 16 -type Palette "$pcx/im-pal-$w.pcx" 2>/dev/null ||
        convert -size "${w}x9" gradient:green-yellow -colors 16 -type Palette "$pcx/im-pal-$w.pcx"
      convert -size "${w}x5" gradient:black-white -colorspace Gray -type Grayscale "$pcx/im-grey-$w.pcx"
    done
    convert -size 3x3 xc:red -type Bilevel "$pcx/im-bilevel.pcx" 2>/dev/null || true
  else
    echo "convert not found: no ImageMagick seeds" >&2
  fi
  if command -v assimp >/dev/null; then
    cat > "$work/tetra.obj" <<'OBJ'
o Tetra
v 0 0 0
v 10 0 0
v 0 10 0
v 0 0 10
f 1 3 2
f 1 2 4
f 1 4 3
f 2 3 4
OBJ
    cat > "$work/cube.mtl" <<'MTL'
newmtl Red
Kd 1 0 0
newmtl Blue
Kd 0 0 1
MTL
    cat > "$work/cube.obj" <<'OBJ'
mtllib cube.mtl
o Cube
v -1 -1 -1
v 1 -1 -1
v 1 1 -1
v -1 1 -1
v -1 -1 1
v 1 -1 1
v 1 1 1
v -1 1 1
vt 0 0
vt 1 0
vt 1 1
vt 0 1
usemtl Red
f 1/1 2/2 3/3 4/4
f 5/1 8/4 7/3 6/2
f 1/1 5/2 6/3 2/4
usemtl Blue
f 2/1 6/2 7/3 3/4
f 3/1 7/2 8/3 4/4
f 5/1 1/2 4/3 8/4
o Wedge
v 3 0 0
v 4 0 0
v 3 1 0
v 3 0 1
f 9 10 11
f 9 12 10
OBJ
    local obj
    for obj in tetra cube; do
      (cd "$work" && assimp export "$obj.obj" "$obj.3ds" >/dev/null) && cp "$work/$obj.3ds" "$scene/assimp-$obj.3DS" ||
        echo "assimp could not export $obj.obj" >&2
    done
  else
    echo "assimp not found: no assimp seeds" >&2
  fi
  rm -rf "$work"
}

# Runs the input `unit` alone, under the same limits, up to three times;
# true when it never once finishes within them.
slow_every_time() {
  local t="$1" unit="$2" _
  for _ in 1 2 3; do
    nice "$build/fuzz/fuzz_$t" -timeout=1 -rss_limit_mb=512 "$unit" >/dev/null 2>&1 && return 1
  done
  return 0
}

# Fuzzes target $1 for $seconds in all. The time limit counts the wall clock,
# and on a busy machine a niced process can wait longer than that for the
# processor: a timeout whose input then finishes in time when run alone is
# the machine's, not the input's. It is kept in busy/ and the run goes on for
# the time left. Any other finding ends the run.
fuzz_target() {
  local t="$1" seeds="$2" corpus="$3" findings="$4" log="$5"
  local deadline=$((SECONDS + seconds)) left unit
  : >"$log"
  while left=$((deadline - SECONDS)); [ "$left" -gt 0 ]; do
    # shellcheck disable=SC2086
    if nice "$build/fuzz/fuzz_$t" -max_total_time="$left" -timeout=1 -rss_limit_mb=512 -max_len=1048576 \
        -print_final_stats=1 -artifact_prefix="$findings/" ${FUZZ_OPTIONS:-} "$corpus" "$seeds" >"$log.run" 2>&1; then
      cat "$log.run" >>"$log" && rm -f "$log.run"
      return 0
    fi
    cat "$log.run" >>"$log"
    unit=""
    grep -q 'ERROR: libFuzzer: timeout' "$log.run" &&
      unit=$(sed -n -E 's/.*Test unit written to (.*timeout-[0-9a-f]+)$/\1/p' "$log.run" | tail -1)
    rm -f "$log.run"
    if [ -z "$unit" ] || slow_every_time "$t" "$unit"; then
      return 1
    fi
    mkdir -p "$findings/busy"
    mv "$unit" "$findings/busy/"
    echo "fuzz.sh: $(basename "$unit") finishes in time alone; kept in busy/, going on" | tee -a "$log"
  done
  return 0
}

build_targets
make_seeds

status=0
mkdir -p "$build/logs"
for t in "${targets[@]}"; do
  seeds="$build/seeds/pcx"
  [ "$t" = scene ] && seeds="$build/seeds/scene"
  corpus="$build/corpus/$t" findings="$build/findings/$t" log="$build/logs/$t.log"
  mkdir -p "$corpus" "$findings"
  echo "== fuzz_$t for ${seconds} s (log: $log)"
  # Inputs up to 1 MB, each within 1 s and 512 MB: a slow input or a
  # runaway allocation is a finding.
  if fuzz_target "$t" "$seeds" "$corpus" "$findings" "$log"; then
    result="no findings"
  else
    result="FINDING (see $findings and the log)"
    status=1
  fi
  grep -E '^#[0-9]+[[:space:]]+(DONE|INITED)|^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)|^fuzz.sh: ' "$log" || true
  grep -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error|^fuzz: |Test unit written to' "$log" | head -5 || true
  echo "   corpus: $(find "$corpus" -type f | wc -l) files; $result"
done
exit $status
