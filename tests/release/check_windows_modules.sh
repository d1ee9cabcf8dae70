#!/usr/bin/env bash
# check_windows_modules.sh MODULE...: each Windows module keeps its defences
# (ASLR with a high-entropy address space, DEP) and carries no time of its
# link, as objdump reads them from the PE header.
set -uo pipefail
status=0
for module in "$@"; do
  header=$(x86_64-w64-mingw32-objdump -p "$module") || { echo "FAIL: objdump cannot read $module"; status=1; continue; }
  flags=$((16#$(awk '/^DllCharacteristics/ {print $2}' <<< "$header")))
  for bit in 0x20:HIGH_ENTROPY_VA 0x40:DYNAMIC_BASE 0x100:NX_COMPAT; do
    (( flags & ${bit%%:*} )) || { echo "FAIL: $(basename "$module") lacks ${bit#*:}"; status=1; }
  done
  # The PE header's stamp, and the export table's where there is one.
  stamps=$(awk -F'\t+' '/^Time\/Date/ {print $2}' <<< "$header" | grep -vx -e 'Thu Jan  1 00:00:00 1970' -e 0)
  [ -z "$stamps" ] || { echo "FAIL: $(basename "$module") carries a link time: $stamps"; status=1; }
done
[ "$status" -eq 0 ] && echo "ok: $# modules with ASLR, high-entropy ASLR and DEP, and no link time"
exit "$status"
