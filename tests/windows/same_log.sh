#!/usr/bin/env bash
# The Windows build under wine prints the same Rover Test log, line for line,
# as the Linux build, and exits 0 (line ends aside: CR LF on Windows).
#   same_log.sh WINE_RUN TELVORA_EXE LINUX_TELVORA
set -euo pipefail
wine_run=$1 exe=$2 linux=$3
args=(--run rover-test --simulate --fast --level debug --phone 5551234)
expected=$("$linux" "${args[@]}")
got=$("$wine_run" "$exe" "${args[@]}" | tr -d '\r')
if [ "$got" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$got") || true
  exit 1
fi
echo "same log, $(echo "$got" | wc -l) lines"
