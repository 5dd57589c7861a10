#!/usr/bin/env bash
# The modules export every entry of the .def under its plain name, the 32-bit
# one included (its stdcall symbols carry @n decorations the system would not
# find). The 32-bit module cannot run here, so its export table is read.
#   check-module-exports.sh DEF_FILE OBJDUMP MODULE
set -euo pipefail
def=$1 objdump=$2 module=$3
if [ ! -f "$module" ]; then
  echo "no module at $module (its tree was not built)"
  exit 77
fi
exports=$("$objdump" -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p')
status=0
for name in $(sed -n 's/^[[:space:]]\{2,\}\([A-Za-z_][A-Za-z0-9_]*\).*/\1/p' "$def"); do
  if ! grep -qx "$name" <<<"$exports"; then
    echo "missing export: $name"
    status=1
  fi
done
if grep -q '@' <<<"$exports"; then
  echo "decorated exports:"; grep '@' <<<"$exports"
  status=1
fi
[ $status -eq 0 ] && echo "$(wc -l <<<"$exports") exports, all plain"
exit $status
