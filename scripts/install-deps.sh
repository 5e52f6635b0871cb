#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when something is missing.
#   scripts/install-deps.sh            the Linux build and its tests
#   scripts/install-deps.sh fuzz       also clang and its libFuzzer runtime, for make fuzz
#   scripts/install-deps.sh browser    also chromium, for the session report's browser test and picture
#   scripts/install-deps.sh windows    the Windows build (mingw-w64, GoogleTest
#                                      sources, the icon's converters, wine to run the tests)
#   scripts/install-deps.sh package    both builds and what makes and checks the
#                                      packages (NSIS, dpkg-shlibdeps, lintian, unzip)
set -euo pipefail
linux=(g++ cmake ninja-build ccache libgtest-dev libgmock-dev
       qt6-base-dev libgl-dev xvfb xauth desktop-file-utils)
windows=(cmake ninja-build ccache g++-mingw-w64-x86-64-posix googletest librsvg2-bin icoutils
         wine64 wine xvfb xauth netpbm)
case "${1:-}" in
  windows) packages=("${windows[@]}") ;;
  package) packages=("${linux[@]}" "${windows[@]}" nsis dpkg-dev file lintian unzip) ;;
  fuzz) packages=("${linux[@]}" clang libclang-rt-14-dev) ;;
  browser) packages=("${linux[@]}" chromium) ;;
  *) packages=("${linux[@]}") ;;
esac
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
