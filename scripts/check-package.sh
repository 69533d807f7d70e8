#!/usr/bin/env bash
# CI: builds the Debian package (scripts/package.sh), unpacks it into a scratch root with dpkg -x
# and checks it there: the desktop entry and the AppStream metainfo validate, lintian finds no
# error, there are no maintainer scripts (removing the package leaves users' data alone), and the
# unpacked tesvanor-cli runs on the system's libraries.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
deb=$("$top/scripts/package.sh" "$@")  # installs the validators too (deps/debian-packages.txt)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch/root"
dpkg-deb -e "$deb" "$scratch/control"

desktop-file-validate "$scratch/root/usr/share/applications/tesvanor.desktop"
appstreamcli validate-tree --no-net "$scratch/root"
lintian --fail-on error "$deb"
scripts=$(cd "$scratch/control" && ls -d preinst postinst prerm postrm config 2>/dev/null || true)
[[ -z "$scripts" ]] || { echo "unexpected maintainer scripts: $scripts" >&2; exit 1; }
"$scratch/root/usr/bin/tesvanor-cli" version
echo "$deb: $(stat -c %s "$deb") bytes, checked"
