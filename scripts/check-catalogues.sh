#!/bin/bash
# Every text the program marks for translation has an entry, translated, in
# each language's catalogue of its domain: "default" for UiText(...) and
# Translated(...), "cport" for PortText(...).
# usage: scripts/check-catalogues.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mapfile -t sources < <(find app audio base desktop media modem radio rig settings station \
  \( -name '*.cpp' -o -name '*.h' \) | sort)
extract() { # domain keyword...
  local domain=$1
  shift
  xgettext --force-po --from-code=UTF-8 --language=C++ -k "${@/#/-k}" \
    -o "$work/$domain.pot" "${sources[@]}"
}
extract default UiText Translated
extract cport PortText

status=0
for language in po/*/; do
  for domain in default cport; do
    catalogue=$language$domain.po
    if [ ! -f "$catalogue" ]; then
      echo "missing catalogue $catalogue" >&2
      status=1
    elif ! msgcmp "$catalogue" "$work/$domain.pot"; then
      echo "$catalogue lacks texts the program marks for translation" >&2
      status=1
    fi
  done
done
exit $status
