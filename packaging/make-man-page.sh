#!/usr/bin/env bash
# Writes the compressed manual page of one program from its --help and --version.
#
#   make-man-page.sh [--commands] [--include FILE.h2m] PROGRAM "ONE-LINE DESCRIPTION" \
#                    RELEASE-DATE OUTPUT.1.gz
#
# With --commands the page gets a COMMANDS section holding "PROGRAM COMMAND --help" of every
# command that "PROGRAM --help" lists under "Commands:". --include adds help2man sections written
# by hand. The page carries the release date, so the same sources give the same page.
set -euo pipefail

with_commands=""
extra_sections=()
while [[ "${1:-}" == --* ]]; do
  case $1 in
    --commands) with_commands=yes; shift ;;
    --include) extra_sections+=("$2"); shift 2 ;;
    *) echo "make-man-page.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[[ $# -eq 4 ]] || { echo "make-man-page.sh: wrong arguments (see the comment on top)" >&2; exit 2; }
program=$1
description=$2
release_date=$3
output=$4

work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT
name=$(basename -- "$program")

# Program text turned into roff that shows it as it is: backslashes escaped, and lines that
# would start with a roff control character made plain.
as_roff() {
  sed -e 's/\\/\\e/g' -e "s/^[.']/\\\\\\&&/"
}

include="$work/include.h2m"
: >"$include"
if [[ -n "$with_commands" ]]; then
  commands=$("$program" --help | sed -n '/^Commands:$/,$p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
  [[ -n "$commands" ]] || { echo "make-man-page.sh: $name --help lists no commands" >&2; exit 1; }
  {
    echo "[COMMANDS]"
    for command in $commands; do
      echo ".SS $command"
      echo ".nf"
      "$program" "$command" --help | as_roff
      echo ".fi"
    done
  } >>"$include"
fi
for section in "${extra_sections[@]}"; do
  cat -- "$section" >>"$include"
done
# The other programs of the package.
others=()
for page in tavrel tavrel-cli tavrel-unit-sim; do
  [[ "$page" == "$name" ]] || others+=(".BR $page (1)")
done
printf '[SEE ALSO]\n%s,\n%s\n' "${others[0]}" "${others[1]}" >>"$include"

SOURCE_DATE_EPOCH=$(date -u -d "$release_date" +%s) \
  help2man --no-info --no-discard-stderr --name="$description" --section=1 \
  --include="$include" --output="$work/$name.1" "$program"
gzip -9 -n -c "$work/$name.1" >"$output"
