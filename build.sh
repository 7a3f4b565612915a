#!/usr/bin/env bash
# Sets up a Debian or Ubuntu machine for dorsel, builds it, and then either
# starts the show or runs every test.
#
#   ./build.sh run [dorsel options]   install what the show needs, build the show and
#                                     its data only, play it in the caller's folder
#   ./build.sh test                   install what is missing, build, run every test
#   ./build.sh build                  install what is missing and build
#   ./build.sh sanitize               build everything in build-sanitize with
#                                     AddressSanitizer and UndefinedBehaviorSanitizer,
#                                     run every test and one whole headless show
#                                     under them; any report fails
#   ./build.sh web                    build the page into build-web/ (a static folder:
#                                     the page, dorsel.js, dorsel.wasm and the data files)
#   ./build.sh serve [PORT]           serve build-web/ on 127.0.0.1 (default port 8000)
#   ./build.sh test-web               build the page and run its tests in headless Chromium
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)

# What the show needs to be built; the tests, the packaging check and the
# documentation's recipes need the rest.
RUN_PACKAGES=(build-essential cmake pkg-config libsdl2-dev libopenmpt-dev zlib1g-dev libfltk1.3-dev)
PACKAGES=("${RUN_PACKAGES[@]}" git assimp-utils libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool
          x11-utils imagemagick sox openbox wmctrl ffmpeg desktop-file-utils appstream dpkg-dev man-db)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# What the page's tests need besides: the browser they drive, and node with
# npm for playwright-core (where the machine's node has no npm, Debian's).
install_web_test_tools() {
  local missing=() p
  for p in chromium nodejs python3; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ] || ! command -v npm >/dev/null; then
    command -v npm >/dev/null || missing+=(npm)
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}

build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
  cmake --build build -j"$(nproc)"
}

# Any sanitizer report stops the program that made it with a failure; the
# logs are searched for reports as well, in case a child process's report
# was swallowed by its parent.
sanitize() {
  local dir=build-sanitize
  # The benchmarks are left out: they measure, they do not check.
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORSEL_SANITIZE=ON -DBUILD_TESTING=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >/dev/null
  cmake --build "$dir" -j"$(nproc)"
  export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
  export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  local reports='runtime error|ERROR: AddressSanitizer|ERROR: LeakSanitizer|LeakSanitizer'
  local failed=0 log
  # The tests that open real windows go through SDL's X11 and D-Bus
  # back-ends, whose system libraries leave allocations behind at exit that
  # no stack can be recovered for (the libraries are unloaded by then). They
  # run with every check but the leak check; everything else with all.
  (cd "$dir" && ctest --output-on-failure -j"$(nproc)" --timeout 1200 -E '^Sdl') || failed=1
  log="$dir/Testing/Temporary/LastTest.log"
  cp "$log" "$dir/tests.log"
  (cd "$dir" && ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=0 \
    ctest --output-on-failure -j"$(nproc)" --timeout 1200 -R '^Sdl') || failed=1
  cat "$log" >> "$dir/tests.log"
  if grep -E -q "$reports" "$dir/tests.log"; then
    grep -E -m 20 "$reports" "$dir/tests.log" >&2
    failed=1
  fi
  echo "Sanitized show, 0 to 234 s, headless"
  log="$dir/show.log"
  if ! "$dir/dorsel" --headless --data "$dir/data" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    failed=1
  elif ! grep -q 'windows visited 22/22' "$log"; then
    echo "the sanitized show did not reach its end" >&2
    failed=1
  fi
  if grep -E -q "$reports" "$log"; then
    grep -E -m 20 "$reports" "$log" >&2
    failed=1
  fi
  tail -n 1 "$log"
  [ "$failed" -eq 0 ] && echo "Sanitized pass: no reports"
  return "$failed"
}

command="${1:-run}"
[ $# -gt 0 ] && shift
# The show is played from the caller's folder; everything else works in the tree.
[ "$command" = run ] || cd "$root"
case "$command" in
  run)
    install_missing "${RUN_PACKAGES[@]}"
    # A first build leaves the tests out, so GoogleTest is not needed yet; a
    # build that has them keeps them.
    [ -f "$root/build/CMakeCache.txt" ] ||
      cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$root/build" -j"$(nproc)" --target dorsel data
    # The program finds build/data beside itself.
    exec "$root/build/dorsel" "$@"
    ;;
  test)
    install_missing "${PACKAGES[@]}"
    build
    cd build
    exec ctest --output-on-failure -j"$(nproc)" --timeout 600
    ;;
  build)
    install_missing "${PACKAGES[@]}"
    build
    ;;
  sanitize)
    install_missing "${PACKAGES[@]}"
    sanitize
    ;;
  web)
    # The desktop build writes the data files the page serves.
    install_missing "${RUN_PACKAGES[@]}"
    exec tools/web/site.sh
    ;;
  serve)
    port="${1:-8000}"
    if [ ! -f build-web/index.html ] || [ ! -f build-web/data/files.txt ]; then
      install_missing "${RUN_PACKAGES[@]}"
      tools/web/site.sh
    fi
    echo "Serving the page at http://127.0.0.1:$port/ (Ctrl-C ends)"
    exec python3 -m http.server --bind 127.0.0.1 --directory build-web "$port"
    ;;
  test-web)
    # Everything from nothing: the packages, the libraries built for the
    # browser (tools/web/deps.sh, once per machine), the desktop build the
    # frames are compared with, the page, playwright-core from npm.
    install_missing "${RUN_PACKAGES[@]}"
    install_web_test_tools
    tools/web/site.sh
    exec tools/web/test.sh
    ;;
  *)
    echo "usage: ./build.sh run|test|build|sanitize|web|serve|test-web" >&2
    exit 2
    ;;
esac
