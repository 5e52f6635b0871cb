#!/usr/bin/env bash
# The Debian package: lintian finds no error or warning; unpacked, it holds
# the program, its menu entry, icon, manual page, copyright and changelog,
# all at the package's version; its dependencies name the Qt 6 libraries;
# and the unpacked program runs as the build's own does.
#   deb.sh PACKAGE.deb VERSION BUILT_TELVORA
set -euo pipefail
deb=$1 version=$2 built=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

report=$(lintian --fail-on error,warning "$deb" 2>&1) || { echo "$report"; fail "lintian"; }

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
[ "$(field Section)" = comm ] && [ "$(field Priority)" = optional ] || fail "section or priority"
field Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt 6 libraries: $(field Depends)"

dpkg-deb -x "$deb" "$work"
doc=usr/share/doc/telvora
for file in usr/bin/telvora usr/share/applications/telvora.desktop \
            usr/share/icons/hicolor/scalable/apps/telvora.svg usr/share/man/man1/telvora.1.gz \
            $doc/copyright $doc/changelog.gz; do
  [ -f "$work/$file" ] || fail "not in the package: $file"
done
desktop-file-validate "$work/usr/share/applications/telvora.desktop" || fail "menu entry rejected"
zcat "$work/usr/share/man/man1/telvora.1.gz" | grep -q "\"Telvora $version\"" ||
  fail "the manual page is not at $version"
[ "$(zcat "$work/$doc/changelog.gz" | dpkg-parsechangelog -l - -S Version)" = "$version" ] ||
  fail "the changelog does not start at $version"

program=$work/usr/bin/telvora
[ "$("$program" --version)" = "telvora $version" ] || fail "--version: $("$program" --version)"
args=(--run detect-19200 --simulate --fast)
[ "$("$program" "${args[@]}")" = "$("$built" "${args[@]}")" ] || fail "Detect differs from the build's"
echo "telvora_$version: lintian clean, files in place, runs"
