#!/usr/bin/env bash
# Fails when a text the GUI passes through tr() has no translation in a catalogue: lupdate reads
# the GUI's sources into a copy of each .ts file, and any entry left unfinished or empty, or any
# text the sources no longer have, is listed.
#
#   check-translations.sh LUPDATE SOURCE_DIR
set -euo pipefail
lupdate=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT
status=0
for ts in "$source_dir"/translations/*.ts; do
  copy=$work/$(basename -- "$ts")
  cp -- "$ts" "$copy"
  "$lupdate" -silent -locations none -I "$source_dir/src" "$source_dir/src/gui" -ts "$copy" >/dev/null
  # Each <message> on one line, so an entry's source and translation are seen together.
  problems=$(tr '\n' ' ' <"$copy" | sed 's#</message>#</message>\n#g' |
    grep -E 'type="(unfinished|vanished|obsolete)"|<translation[^>]*/>|<translation[^>]*></translation>' |
    sed -E 's#.*<source>(.*)</source>.*#\1#' || true)
  if [[ -n "$problems" ]]; then
    echo "$(basename -- "$ts"): texts without a translation (run the update_translations target" \
      "and translate them):"
    printf '  %s\n' "$problems"
    status=1
  fi
done
exit $status
