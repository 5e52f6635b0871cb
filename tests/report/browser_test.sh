#!/usr/bin/env bash
# The session report in a real browser. A recorded Rover Test is replayed with
# the modem's identity turned hostile (markup, an entity, quotes, an escape
# byte); headless chromium loads the report, and the DOM it built must hold
# the SVG timeline with its five line lanes and one bar per test call, and
# the hostile reply as text only.
# Usage: browser_test.sh TELVORA_SESSION_REPORT RECORDED.trace
set -euo pipefail
tool=$1 recorded=$2
here=$(cd "$(dirname "$0")" && pwd)
chromium=$here/../../scripts/headless-chromium.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# In the trace's own escapes: \x1b is the escape byte, \\ a backslash.
hostile='</svg><script>alert(1)</script><b>&amp; "q" '"'"'a'"'"' \x1b[2J'
grep -q 'TELVORA SIMULATED MODEM 33600' "$recorded"
HOSTILE=$hostile perl -pe 's/TELVORA SIMULATED MODEM 33600/$ENV{HOSTILE}/' "$recorded" >"$work/hostile.trace"
"$tool" --replay "$work/hostile.trace" "$work/report.html"
set +e
"$chromium" --dump-dom "file://$work/report.html" >"$work/dom.html" 2>"$work/chromium.err"
status=$?
set -e
[ $status -eq 77 ] && exit 77
[ $status -eq 0 ] || { cat "$work/chromium.err" >&2; exit 1; }

failures=0
check() {  # check WHAT COUNT EXPECTED
  if [ "$2" -ne "$3" ]; then
    echo "FAIL: $1: $2, expected $3" >&2
    failures=$((failures + 1))
  fi
}
dom=$work/dom.html
count() { grep -o -- "$1" "$dom" | wc -l; }
check "timeline SVGs" "$(count '<svg[^>]*class="timeline"')" 1
for line in DTR RTS CTS DSR CD; do
  check "lane $line" "$(count "<g class=\"lane line\" data-line=\"$line\">")" 1
done
check "call bars" "$(count 'data-call="[0-9]*"')" "$(grep -c '^[0-9]* send ATD' "$recorded")"
check "script elements" "$(count '<script')" 0
check "bold elements" "$(count '<b>')" 0
check "SVGs closed" "$(count '</svg>')" "$(count '<svg')"
# The reply as text: in the answer's identity, the log, a mark's title and
# the trace.
shown='&lt;/svg&gt;&lt;script&gt;alert(1)&lt;/script&gt;&lt;b&gt;&amp;amp; "q" '"'"'a'"'"' \\x1b\[2J'
check "identity shown as text" "$(count "<pre class=\"identity\">$shown")" 1
check "log line shown as text" "$(grep -c "^$shown\$" "$dom")" 1
check "reply in a title and the trace" "$(count "recv \\\\r\\\\n${shown/x1b/x1B}")" 2
check "sections after the timeline" "$(count '<section id="log">\|<section id="trace">')" 2
[ $failures -eq 0 ] && echo "report.browser: all checks passed"
exit $((failures > 0))
