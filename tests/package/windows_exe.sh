#!/usr/bin/env bash
# telvora.exe as Explorer shows it: the icon at 16, 24, 32, 48 and 256
# pixels, the version resource at the build's version, and the manifest
# asking for themed controls (Common Controls 6), per-monitor DPI awareness
# (v2), no elevation, Windows 10 and 11 and long paths. The portable zip
# holds that telvora.exe alone.
#   windows_exe.sh TELVORA.EXE PORTABLE.zip VERSION
set -euo pipefail
exe=$1 zip=$2 version=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

wrestool -x -t 14 "$exe" >"$work/telvora.ico"
sizes=$(icotool -l "$work/telvora.ico" | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n | xargs)
[ "$sizes" = "16 24 32 48 256" ] || fail "icon sizes: $sizes"

# The version resource's strings, one a line (UTF-16 in the file).
wrestool -x --raw -t 16 "$exe" | iconv -f UTF-16LE -t UTF-8 | tr -s '\0' '\n' >"$work/version"
value() { grep -a -A1 "[^A-Za-z]$1\$" "$work/version" | tail -n 1; }  # after its length fields
[ "$(value ProductName)" = Telvora ] || fail "ProductName: $(value ProductName)"
[ "$(value ProductVersion)" = "$version" ] && [ "$(value FileVersion)" = "$version" ] ||
  fail "version resource: $(value ProductVersion), $(value FileVersion)"
value FileDescription | grep -q 'Telvora' || fail "FileDescription: $(value FileDescription)"
value LegalCopyright | grep -q '^Copyright © [0-9]\{4\} ' || fail "LegalCopyright: $(value LegalCopyright)"

wrestool -x --raw -t 24 "$exe" | tr -s ' \n' ' ' >"$work/manifest"
for declared in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
                '>PerMonitorV2, PerMonitor</dpiAwareness>' '>true/pm</dpiAware>' \
                'requestedExecutionLevel level="asInvoker"' \
                'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' \
                '>true</longPathAware>' "assemblyIdentity type=\"win32\" name=\"Telvora\" version=\"$version.0\""; do
  grep -qF "$declared" "$work/manifest" || fail "the manifest lacks: $declared"
done

[ "$(unzip -Z1 "$zip")" = telvora.exe ] || fail "the zip holds: $(unzip -Z1 "$zip" | xargs)"
unzip -p "$zip" telvora.exe | cmp -s - "$exe" || fail "the zip's telvora.exe is not the build's"
echo "telvora.exe: icon, version $version, manifest; zip"
