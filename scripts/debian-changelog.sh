#!/usr/bin/env bash
# Writes CHANGELOG.md as a Debian changelog, the form dpkg and lintian read:
# one entry per "## VERSION (YYYY-MM-DD)" section with its lines indented,
# closed by the maintainer and the date.
#   scripts/debian-changelog.sh PACKAGE "NAME <ADDRESS>" CHANGELOG.md OUTPUT
set -euo pipefail
package=$1 maintainer=$2 input=$3
exec >"$4"
date="" blank=""
close_entry() {
  [ -z "$date" ] || printf '\n -- %s  %s\n\n' "$maintainer" "$(date -u -R -d "$date")"
}
while IFS= read -r line; do
  if [[ $line =~ ^##\ ([^ ]+)\ \(([0-9]{4}-[0-9]{2}-[0-9]{2})\)$ ]]; then
    close_entry
    printf '%s (%s) stable; urgency=medium\n' "$package" "${BASH_REMATCH[1]}"
    date=${BASH_REMATCH[2]} blank=yes
  elif [ -z "$date" ]; then
    continue
  elif [ -z "$line" ]; then
    blank=yes
  else
    [ -z "$blank" ] || echo
    blank=""
    line=${line//\`/}
    case $line in
      "- "*) echo "  * ${line#- }" ;;
      *) echo "  $line" ;;
    esac
  fi
done <"$input"
close_entry
