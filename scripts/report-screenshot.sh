#!/usr/bin/env bash
# Remakes docs/report.png: the top of the session report of a Rover Test
# against the simulated standard modem (make demo's run), as headless
# chromium draws it. Usage: scripts/report-screenshot.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
scripts/install-deps.sh browser
cmake --build "$build" --target telvora_session_report
page=$build/report-demo.html
"$build/telvora_session_report" --profile standard --level 2 "$page"
scripts/headless-chromium.sh --hide-scrollbars --window-size=1280,1640 \
  --screenshot="$PWD/docs/report.png" "file://$PWD/$page" 2>/dev/null
echo "docs/report.png written ($page is the whole page)"
