#!/usr/bin/env bash
# Every KAV_/kav_ function and variable that the installed libraries define
# is declared in a public header, with a comment: right above it, or above
# the group of declarations it belongs to (no blank line between). Catches
# a public function an application cannot call without the project's
# sources, one whose header does not say what it does, and one declared but
# never defined.
# Usage: public_api.sh <include/rozoru> <static libraries...>
set -uo pipefail
headers=${1:?usage: $0 include-dir libraries...}
shift
(($#)) || { echo "no libraries given" >&2; exit 2; }

# Defined names with external linkage, outside any namespace or class.
names=$(nm -C --defined-only "$@" 2>/dev/null | awk '$2 ~ /^[TDBRVW]$/ && $3 ~ /^(KAV_|kav_)/ {
  sub(/\(.*/, "", $3); sub(/\[.*/, "", $3); print $3 }' | sort -u)
[[ -n $names ]] || { echo "no KAV_ names found in $*" >&2; exit 2; }

status=0
for name in $names; do
  # First header line that declares it: the name followed by "(", "[" or ";".
  hit=$(grep -nE "(^|[^A-Za-z0-9_])${name}[[:space:]]*[\\(\\[;]" "$headers"/*.h | grep -vE ':[0-9]+:[[:space:]]*//' | head -n 1)
  if [[ -z $hit ]]; then
    echo "undeclared: $name is defined by the libraries but declared in no header of $headers"
    status=1
    continue
  fi
  file=${hit%%:*}
  rest=${hit#*:}
  line=${rest%%:*}
  # Walk up through the declaration group to its comment.
  if ! awk -v n="$line" 'NR < n { l[NR] = $0 } END {
      for (i = n - 1; i >= 1; --i) {
        s = l[i]; sub(/^[ \t]+/, "", s)
        if (s ~ /^\/\//) exit 0
        if (s == "" || s ~ /^#/ || s ~ /[{}]/) exit 1
      }
      exit 1 }' "$file"; then
    echo "undocumented: $name at ${file#"$headers"/}:$line has no comment above it or its group"
    status=1
  fi
done
# And the other way: a function a header declares that no library defines
# fails an application only when it links. The hooks are the application's.
declared=$(grep -hvE '^[[:space:]]*//|inline' "$headers"/*.h | grep -oE '\b(KAV|kav)_[A-Za-z0-9_]+[[:space:]]*[\(\[;]' |
  sed -E 's/[[:space:]]*[\(\[;]$//' | grep -vxE 'KAV_(Init|Main|Exit)' | sort -u)
for name in $(comm -13 <(echo "$names") <(echo "$declared")); do
  echo "undefined: $name is declared in $headers but no library defines it"
  status=1
done

((status == 0)) && echo "$(wc -w <<<"$names") public names, each declared and commented in $headers"
exit $status
