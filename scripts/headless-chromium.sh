#!/usr/bin/env bash
# Runs Debian's chromium headless with what it needs on a build machine (as
# root, no GPU, no network, nothing remembered between runs), plus the given
# arguments. Exits 77 (a skipped test) when chromium is not installed:
# scripts/install-deps.sh browser installs it.
# Usage: scripts/headless-chromium.sh --dump-dom URL | --screenshot=FILE --window-size=W,H URL
set -euo pipefail
if ! command -v chromium >/dev/null; then
  echo "chromium is not installed (scripts/install-deps.sh browser)" >&2
  exit 77
fi
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
# Chromium's own chatter (D-Bus, GPU) goes to standard error, which the
# callers keep out of their output.
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$profile" "$@"
