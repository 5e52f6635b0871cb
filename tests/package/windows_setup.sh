#!/usr/bin/env bash
# The Windows setup program under wine, in a fresh prefix: a silent install
# puts the files, the Start-menu shortcut and the Apps entry in place; the
# installed telvora.exe runs the Rover Test as the Linux build does; a silent
# uninstall leaves nothing behind. Over an older version in another folder it
# installs there, and the entry's quiet uninstall command takes it all away.
#   windows_setup.sh WINE_RUN SETUP.exe LINUX_TELVORA SCRIPT.nsi [DEFINES...]
# (DEFINES: what the build gives makensis besides the version and output.)
set -euo pipefail
wine_run=$1 setup=$2 linux=$3 script=$4
shift 4
here=$(cd "$(dirname "$0")" && pwd)
version=$(basename "$setup" | sed 's/^telvora-\(.*\)-win64-setup\.exe$/\1/')
fail() { echo "FAIL: $*" >&2; exit 1; }

# Made anew each run; left for the wine server to finish with.
export WINEPREFIX=$(cd "$(dirname "$setup")" && pwd)/wineprefix-setup
rm -rf "$WINEPREFIX"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

drive_c=$WINEPREFIX/drive_c
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Telvora.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Telvora'
read_entry() {  # into $work/entry, empty when there is none (reg says so on standard output)
  "$wine_run" reg query "$key" >"$work/query" 2>&1 && tr -d '\r' <"$work/query" >"$work/entry" ||
    : >"$work/entry"
}
entry() {  # the value NAME of the entry read last, empty when there is none
  sed -n "s/^ *$1 *REG_[A-Z_]* *\(.*\)$/\1/p" "$work/entry"
}
# The uninstaller runs on from a copy of itself: done when the folder is gone.
wait_gone() {
  for _ in $(seq 120); do [ -e "$1" ] || return 0; sleep 0.5; done
  fail "still there after the uninstall: $1"
}

installed() {  # DIR (Windows path) VERSION: everything in place
  local dir=$drive_c/${1#C:\\}
  dir=${dir//\\//}
  for file in telvora.exe README.txt LICENSE.txt Uninstall.exe; do
    [ -f "$dir/$file" ] || fail "not installed: $1\\$file"
  done
  [ -f "$shortcut" ] || fail "no Start-menu shortcut"
  read_entry
  for expected in DisplayName=Telvora "DisplayVersion=$2" "DisplayIcon=$1\\telvora.exe,0" \
                  "InstallLocation=$1" "UninstallString=\"$1\\Uninstall.exe\""; do
    [ "$(entry "${expected%%=*}")" = "${expected#*=}" ] || fail "$expected: $(entry "${expected%%=*}")"
  done
  [ -n "$(entry Publisher)" ] && [ $(($(entry EstimatedSize))) -gt 500 ] || fail "Publisher, size"
}

nothing_left() {  # DIR (Unix path)
  wait_gone "$1"
  [ ! -e "$shortcut" ] || fail "the shortcut is left"
  read_entry
  [ ! -s "$work/entry" ] || fail "the Apps and Features entry is left"
}

"$wine_run" "$setup" /S
installed 'C:\Program Files\Telvora' "$version"
cmp -s "$drive_c/Program Files/Telvora/telvora.exe" "$(dirname "$setup")/telvora.exe" ||
  fail "the installed telvora.exe is not the build's"
"$here/../windows/same_log.sh" "$wine_run" "$drive_c/Program Files/Telvora/telvora.exe" "$linux"
"$wine_run" "$drive_c/Program Files/Telvora/Uninstall.exe" /S
nothing_left "$drive_c/Program Files/Telvora"

makensis -V1 -DVERSION=0.9.0 "$@" "-DOUTFILE=$work/older-setup.exe" "$script"
"$wine_run" "$work/older-setup.exe" /S '/D=C:\Tools\Telvora'
installed 'C:\Tools\Telvora' 0.9.0
"$wine_run" "$setup" /S
installed 'C:\Tools\Telvora' "$version"
[ ! -e "$drive_c/Program Files/Telvora" ] || fail "the newer version went beside the older one"
quiet=$(entry QuietUninstallString)  # "C:\...\Uninstall.exe" /S
program=${quiet#\"}
program=${program%%\"*}
"$wine_run" "$program" ${quiet##*\" }
nothing_left "$drive_c/Tools/Telvora"
echo "setup $version: installs, runs, uninstalls, installs over 0.9.0"
