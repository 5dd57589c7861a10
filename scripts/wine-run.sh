#!/usr/bin/env bash
# Runs one Windows program at build time (data tools) without letting Wine's
# background processes hold the caller's output pipe.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
"$(dirname "$0")/wine-prefix.sh"
if ! pgrep -u "$(id -u)" -f "wineserver" >/dev/null 2>&1; then
  (wineserver -p10 >/dev/null 2>&1 </dev/null &)
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
fi
exec wine "$@"
