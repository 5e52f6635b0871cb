#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when something is missing.
# With "fuzz": also clang and its libFuzzer runtime, for make fuzz; with
# "browser": also chromium, for the session report's browser test and picture.
#   scripts/install-deps.sh windows    the Windows build (mingw-w64, GoogleTest
#                                      sources, wine to run the tests)
set -euo pipefail
if [ "${1:-}" = windows ]; then
  packages=(cmake ninja-build ccache g++-mingw-w64-x86-64-posix googletest wine64 wine xvfb xauth netpbm)
else
  packages=(g++ cmake ninja-build ccache libgtest-dev libgmock-dev
            qt6-base-dev libgl-dev xvfb xauth desktop-file-utils)
fi
[ "${1:-}" = fuzz ] && packages+=(clang libclang-rt-14-dev)
[ "${1:-}" = browser ] && packages+=(chromium)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages (${missing[*]}); run scripts/install-deps.sh ${1:-} as root." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
