#!/usr/bin/env bash
# Runs a Windows program under wine64 without letting wine near this machine's
# serial devices (/dev/ttyS0 is its console): the command runs in a private
# mount namespace where every /dev/ttyS* is /dev/null, and the prefix's COM
# links to /dev/ttyS* are removed before the program starts. Every wine
# command of the build goes through here, CTest's emulator included.
#
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]   (needs root, for the namespace)
#
# The prefix is build/windows/wineprefix (WINEPREFIX overrides it), made on
# first use and reused. TELVORA_WINE_DPI=192 makes a new prefix draw at that
# DPI (200 % scaling) instead of 96.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [ "${TELVORA_WINE_NAMESPACE:-}" != "$$" ]; then
  # Re-enter in a new mount namespace; the marker is the new shell's own pid,
  # so a nested call from inside wine cannot skip this step by inheritance.
  exec unshare -m --propagation private bash -c \
    'export TELVORA_WINE_NAMESPACE=$$; exec "$0" "$@"' "${BASH_SOURCE[0]}" "$@"
fi

for tty in /dev/ttyS*; do
  [ -e "$tty" ] && mount --bind /dev/null "$tty"
done

export WINEPREFIX="${WINEPREFIX:-$root/build/windows/wineprefix}"
# No menu entries on this machine for the shortcuts an installer makes in the prefix.
export WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)

# Wine links COM ports to /dev/ttyS* whenever a session starts: start it (a
# no-op program; the server stays up a while), then drop those links.
wineserver="$(dirname "$(readlink -f "$wine64")")/wineserver"
# The wine server outlives this script: it must not hold the lock (fd 9) or
# the caller's output open.
drop_serial_links() {
  # -p10, not -p 10: a bare -p keeps the server, and the session, forever.
  "$wineserver" -p10 </dev/null >/dev/null 2>&1 9>&- || true  # fails when it runs already
  "$wine64" cmd /c exit </dev/null >/dev/null 2>&1 9>&-
  local link
  for link in "$WINEPREFIX"/dosdevices/com*; do
    [ -L "$link" ] || continue
    case "$(readlink "$link")" in /dev/ttyS*) rm -f "$link" ;; esac
  done
}

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.telvora-ready" ]; then
    echo "wine-run: creating the wine prefix $WINEPREFIX (once, about 30 s)" >&2
    "$wine64" wineboot -i </dev/null >/dev/null 2>&1 9>&-
    if [ -n "${TELVORA_WINE_DPI:-}" ]; then
      "$wine64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$TELVORA_WINE_DPI" /f </dev/null >/dev/null 2>&1 9>&-
    fi
    "$wineserver" -w 9>&-
    touch "$WINEPREFIX/.telvora-ready"
  fi
  drop_serial_links
) 9>"$(dirname "$WINEPREFIX")/.wineprefix.lock"

"$wine64" "$@"
