#!/usr/bin/env bash
# ctest fixture of a throw-away Wine prefix ($WINEPREFIX, named
# .../wineprefix-<something>): made fresh before the tests that change
# machine-wide state (registration, keyboard layouts), removed after them.
set -uo pipefail
here=$(dirname "$0")
case "${WINEPREFIX:-}" in
  */wineprefix-?*) ;;
  *) echo "$0: WINEPREFIX must name a throw-away prefix (…/wineprefix-NAME)" >&2; exit 2 ;;
esac
case "${1:-}" in
  start)
    wineserver -k >/dev/null 2>&1
    rm -rf -- "$WINEPREFIX"
    "$here/wine-prefix.sh" || exit 1
    # A new prefix links the user's Documents, Desktop … to this machine's
    # home folder: what the programs under test write there stays inside
    # the prefix instead.
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
      if [ -L "$link" ]; then rm -f -- "$link" && mkdir -p -- "$link"; fi
    done
    exec "$here/wine-fixture.sh" start
    ;;
  stop)
    "$here/wine-fixture.sh" stop
    rm -rf -- "$WINEPREFIX"
    ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
