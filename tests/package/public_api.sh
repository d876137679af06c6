#!/usr/bin/env bash
# Every KAV_/kav_ name the installed libraries define (a type's by its
# members and the templates made for it) is declared in a public
# header with a comment (above it, or above its group of declarations with no
# blank line between), and every one declared is defined: catches a function
# an application cannot call, one left unexplained, one that fails to link.
# Usage: public_api.sh <include/rozoru> <static libraries...>
set -uo pipefail
headers=${1:?usage: $0 include-dir libraries...}
shift
names=$(nm -C --defined-only "$@" 2>/dev/null | awk '$2 ~ /^[TDBRVW]$/ && $3 ~ /^(KAV_|kav_)/ {
  sub(/[\(\[*&:<].*/, "", $3); print $3 }' | sort -u)
[[ -n $names ]] || { echo "no KAV_ names found in: $*" >&2; exit 2; }
status=0
for name in $names; do
  hit=$(grep -nE "(^|[^A-Za-z0-9_])$name[[:space:]]*[\\(\\[;]|(struct|class)[[:space:]]+$name([^A-Za-z0-9_]|$)" "$headers"/*.h | grep -vE ':[0-9]+:[[:space:]]*//' | head -n 1)
  [[ -n $hit ]] || { echo "undeclared: $name, defined by the libraries"; status=1; continue; }
  IFS=: read -r file line _ <<<"$hit"
  awk -v n="$line" 'NR < n { l[NR] = $0 } END {
      for (i = n - 1; i >= 1; --i) { s = l[i]; sub(/^[ \t]+/, "", s)
        if (s ~ /^\/\//) exit 0
        if (s == "" || s ~ /^#/ || s ~ /[{}]/) exit 1 }
      exit 1 }' "$file" || { echo "undocumented: $name at $file:$line"; status=1; }
done
declared=$(grep -hvE '^[[:space:]]*//|inline' "$headers"/*.h | grep -oE '\b(KAV|kav)_[A-Za-z0-9_]+[[:space:]]*[\(\[;]' |
  sed -E 's/[[:space:]]*[\(\[;]$//' | grep -vxE 'KAV_(Init|Main|Exit)' | sort -u) # the hooks are the application's
for name in $(comm -13 <(echo "$names") <(echo "$declared")); do
  echo "undefined: $name, declared but defined by no library"
  status=1
done
((status == 0)) && echo "$(wc -w <<<"$names") public names, each declared and commented in $headers"
exit $status
