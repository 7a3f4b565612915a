#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from a finished build,
# installed with apt-get (which brings in what its Depends names), the show
# played for a second from a folder without data, the manual read, and the
# package removed again. Needs root and dpkg-dev.
#   packaging/check_deb.sh [BUILD_DIR]      (default: build)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
cd "$build"
rm -f dorsel_*.deb
cpack -G DEB >/dev/null
deb=$(ls dorsel_*.deb)
echo "Built $deb"
dpkg-deb --field "$deb" Depends
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq dorsel >/dev/null' EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
cd "$(mktemp -d)"
/usr/bin/dorsel --headless --end 1000 2>/dev/null | grep -o 'frames 61, last demo time 1000 ms.*'
man -P cat dorsel | head -n 4
desktop-file-validate /usr/share/applications/dorsel.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.dorsel.dorsel.metainfo.xml
trap - EXIT
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq dorsel >/dev/null
[ ! -e /usr/bin/dorsel ] || { echo "dorsel is still installed after its removal" >&2; exit 1; }
echo "The package installs, plays, has its manual and removes cleanly"
