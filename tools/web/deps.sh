#!/usr/bin/env bash
# Builds the libraries the browser edition links (SDL2, libopenmpt, zlib)
# with emscripten, from Debian's own source packages, into a prefix that
# lives outside the clone. It is done once per machine: each library leaves a
# stamp once it is installed, and the prefix's own stamp is written last, so
# a run that was cut short is finished by the next one and a run that finds
# the stamp returns at once.
#
#   tools/web/deps.sh              build what is missing; prints the prefix on standard output
#   DORSEL_WEB_PREFIX=DIR tools/web/deps.sh
#   DORSEL_WEB_JOBS=N tools/web/deps.sh     parallel jobs of the builds (default 2)
#
# Progress and the time of each part go to standard error. The sources are
# fetched with an apt configuration of our own (a deb-src line for each
# archive the machine's apt sources name for its release's suite, and a
# lists folder of our own), so the machine's apt state is left as it was.
set -euo pipefail

PACKAGES=(emscripten dpkg-dev pkg-config cmake make patch xz-utils python3)
LIBRARIES=(zlib libopenmpt libsdl2)
JOBS="${DORSEL_WEB_JOBS:-2}"

# What every emcc, emcmake and emconfigure call needs on these machines: the
# machine's node does not look in Debian's module folder (emcc needs its
# acorn there), a node of 18 or later would fetch the .wasm by URL instead of
# reading it, and a python found through a shim on PATH costs a second a call.
export NODE_PATH=/usr/share/nodejs
export NODE_OPTIONS=--no-experimental-fetch
export EMSDK_PYTHON=/usr/bin/python3

say() { echo "deps: $*" >&2; }
now() { date +%s.%N; }
took() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f s", b - a }'; }

install_missing() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo="" t
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  t=$(now)
  say "installing ${missing[*]}"
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
    "${missing[@]}" >&2
  say "installing packages took $(took "$t")"
}

install_missing

emscripten_version=$(dpkg-query -W -f='${Version}' emscripten)
# "3.1.6~dfsg-5" names the folder "emscripten-3.1.6-dfsg-5".
PREFIX="${DORSEL_WEB_PREFIX:-/var/cache/dorsel-web/emscripten-${emscripten_version//[~:+]/-}}"
STAMP="$PREFIX/.complete"

if [ -f "$STAMP" ]; then
  echo "$PREFIX"
  exit 0
fi

mkdir -p "$PREFIX"
# Two builds on one machine at once would trample each other's trees: the
# second waits, then finds the first one's stamp.
exec 9>"$PREFIX.lock"
flock 9
if [ -f "$STAMP" ]; then
  echo "$PREFIX"
  exit 0
fi
# The builds share the machine with others.
renice -n 10 $$ >/dev/null
total_start=$(now)

WORK="$PREFIX.work"
mkdir -p "$WORK"

# The machine's own apt sources, as "options|uri|suite|components" lines for
# every binary archive entry of the release's own suite (not -updates or
# -security: the versions stay the release's, so a prefix built on one
# machine holds what one built on another does). Both the one-line and the
# deb822 formats are read.
release_entries() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  local files=()
  [ -f /etc/apt/sources.list ] && files+=(/etc/apt/sources.list)
  local f
  for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  for f in "${files[@]}"; do
    case "$f" in
      *.sources)
        awk -v codename="$codename" '
          function flush(   i, j, nu, ns, u, s, opts) {
            if (types ~ /(^| )deb( |$)/ && tolower(enabled) != "no") {
              opts = (signed ~ /^\//) ? "signed-by=" signed : ""
              nu = split(uris, u, " "); ns = split(suites, s, " ")
              for (i = 1; i <= nu; i++) for (j = 1; j <= ns; j++)
                print opts "|" u[i] "|" s[j] "|" comps
            }
            types = uris = suites = comps = signed = enabled = ""
          }
          /^[ \t]*#/ { next }
          /^[ \t]*$/ { flush(); next }
          /^[ \t]/ { next }  # a continued field (an inline key)
          {
            name = tolower($1); sub(/:$/, "", name)
            value = $0; sub(/^[^:]*:[ \t]*/, "", value)
            if (name == "types") types = value
            else if (name == "uris") uris = value
            else if (name == "suites") suites = value
            else if (name == "components") comps = value
            else if (name == "signed-by") signed = value
            else if (name == "enabled") enabled = value
          }
          END { flush() }' "$f"
        ;;
      *)
        awk '
          /^[ \t]*deb[ \t]/ {
            opts = ""; i = 2
            if ($2 ~ /^\[/) {
              opts = $2; i = 3
              while (opts !~ /\]$/ && i <= NF) { opts = opts " " $i; i++ }
              gsub(/^\[ *| *\]$/, "", opts)
            }
            comps = ""
            for (k = i + 2; k <= NF; k++) comps = comps (comps == "" ? "" : " ") $k
            print opts "|" $i "|" $(i + 1) "|" comps
          }' "$f"
        ;;
    esac
  done | awk -F'|' -v codename="$codename" \
    'codename == "" || $3 == codename'
}

fetch_sources() {
  local t apt_dir list
  t=$(now)
  apt_dir="$WORK/apt"
  list="$apt_dir/sources.list"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  : >"$list"
  local opts uri suite comps
  while IFS='|' read -r opts uri suite comps; do
    if [ -n "$opts" ]; then
      echo "deb-src [$opts] $uri $suite $comps" >>"$list"
    else
      echo "deb-src $uri $suite $comps" >>"$list"
    fi
  done < <(release_entries)
  if [ ! -s "$list" ]; then
    say "no apt source of this release found in /etc/apt to take the source packages from"
    exit 1
  fi
  local apt=(apt-get -q -o "Dir::Etc::SourceList=$list" -o Dir::Etc::SourceParts=/dev/null
             -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
             -o APT::Sandbox::User=root)
  "${apt[@]}" update >&2
  (cd "$WORK" && "${apt[@]}" source --download-only "$@" >&2)
  local name dsc
  for name in "$@"; do
    dsc=$(ls -t "$WORK"/"${name}"_*.dsc | head -n 1)
    rm -rf "${WORK:?}/src-$name"
    dpkg-source -x "$dsc" "$WORK/src-$name" >&2
  done
  say "fetching and unpacking the sources took $(took "$t")"
}

build_zlib() {
  cd "$WORK/src-zlib"
  # Its CMakeLists needs a resource file the Debian tarball leaves out; the
  # configure script does not.
  emconfigure ./configure --static --prefix="$PREFIX" >&2
  emmake make -j"$JOBS" libz.a >&2
  emmake make install >&2
}

build_libopenmpt() {
  cd "$WORK/src-libopenmpt"
  # Only the library: its player, examples and tests, and every optional
  # codec (the show plays one IT module). No debug sections: autoconf's
  # default flags would make the archive ten times its size.
  emconfigure ./configure --prefix="$PREFIX" CFLAGS=-O2 CXXFLAGS=-O2 --disable-shared --enable-static \
    --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
    --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
    --without-portaudio --without-portaudiocpp --without-sndfile --without-flac \
    --without-pulseaudio --without-sdl2 >&2
  emmake make -j"$JOBS" >&2
  emmake make install >&2
}

build_libsdl2() {
  local src="$WORK/src-libsdl2" build="$WORK/build-libsdl2"
  rm -rf "$build"
  emcmake cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF >&2
  cmake --build "$build" -j"$JOBS" >&2
  cmake --install "$build" >&2
}

todo=()
for lib in "${LIBRARIES[@]}"; do
  [ -f "$PREFIX/.built-$lib" ] || todo+=("$lib")
done
if [ ${#todo[@]} -gt 0 ]; then
  fetch_sources "${todo[@]}"
  for lib in "${todo[@]}"; do
    t=$(now)
    say "building $lib into $PREFIX"
    ( "build_$lib" )
    # The version the library was built from.
    dpkg-parsechangelog -l "$WORK/src-$lib/debian/changelog" -S Version >"$PREFIX/.built-$lib"
    say "$lib took $(took "$t")"
  done
fi

{
  echo "emscripten $emscripten_version"
  for lib in "${LIBRARIES[@]}"; do echo "$lib $(cat "$PREFIX/.built-$lib")"; done
} >"$STAMP.partial"
mv "$STAMP.partial" "$STAMP"
rm -rf "$WORK"
say "the prefix $PREFIX is complete ($(took "$total_start"))"
echo "$PREFIX"
