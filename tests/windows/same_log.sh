#!/usr/bin/env bash
# The Windows build under wine prints the same Rover Test log, line for line,
# as the Linux build, and exits 0 (line ends aside: CR LF on Windows); the
# log saved, the trace recorded and the report made from it in folders named
# by the command line in letters of no one code page.
#   same_log.sh WINE_RUN TELVORA_EXE LINUX_TELVORA
set -euo pipefail
wine_run=$1 exe=$2 linux=$3
args=(--run rover-test --simulate --fast --level debug --phone 5551234)
expected=$("$linux" "${args[@]}")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/Łukasz/測試"
got=$("$wine_run" "$exe" "${args[@]}" --save-log "Z:$dir/Łukasz/測試/log.txt" \
        --trace "Z:$dir/Łukasz/測試/run.trace" | tr -d '\r')
[ -s "$dir/Łukasz/測試/run.trace" ] || { echo "no trace in $dir/Łukasz/測試"; exit 1; }
"$wine_run" "$exe" --report-from "Z:$dir/Łukasz/測試/run.trace" >/dev/null
[ -s "$dir/Łukasz/測試/run.html" ] || { echo "no report beside the trace"; exit 1; }
if [ "$got" != "$expected" ] || [ "$(tr -d '\r' <"$dir/Łukasz/測試/log.txt")" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$got") || true
  exit 1
fi
echo "same log, $(echo "$got" | wc -l) lines"
