#!/usr/bin/env bash
# ctest fixture: start the prefix's server and background processes with
# their output sent to /dev/null (they would otherwise hold ctest's pipe),
# and stop them after the last test.
set -uo pipefail
. "$(dirname "$0")/wine-env.sh"
case "${1:-}" in
  start)
    wineserver -k >/dev/null 2>&1
    "$(dirname "$0")/wine-prefix.sh" || exit 1
    (wineserver -p >/dev/null 2>&1 </dev/null &)
    wine cmd /c exit >/dev/null 2>&1 </dev/null
    echo "wine prefix $WINEPREFIX up"
    ;;
  stop)
    wineserver -k >/dev/null 2>&1
    echo "wine prefix stopped"
    ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
exit 0
