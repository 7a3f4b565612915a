#!/usr/bin/env bash
# The page's tests in headless Chromium (tests/web/*.test.mjs, node's test
# runner, playwright-core driving /usr/bin/chromium). Needs the page built
# (tools/web/site.sh) and the desktop build beside it: the frames are
# compared with what build/dorsel prints.
#
#   tools/web/test.sh [node --test options]
set -euo pipefail
cd "$(dirname "$0")/../.."
web="${DORSEL_WEB_BUILD:-build-web}"
[ -f "$web/index.html" ] && [ -f "$web/data/files.txt" ] || { echo "build the page first: tools/web/site.sh" >&2; exit 2; }
nice cmake --build build -j"${DORSEL_WEB_JOBS:-2}" --target dorsel >/dev/null

# playwright-core as the lock file names it (installed again when it
# names another version).
version() { node -e "console.log(require('$1').$2)" 2>/dev/null || true; }
(cd tests/web &&
  if [ "$(version ./package-lock.json "packages['node_modules/playwright-core'].version")" != \
       "$(version ./node_modules/playwright-core/package.json version)" ]; then
    npm ci --no-audit --no-fund
  fi)
# emcc's setting would keep the page's fetch away from node's own; the
# tests use node's fetch.
unset NODE_OPTIONS
export DORSEL_WEB_BUILD="$PWD/$web" DORSEL_NATIVE="$PWD/build/dorsel" DORSEL_DATA="$PWD/build/data"
exec node --test --test-concurrency=1 "$@" tests/web/
