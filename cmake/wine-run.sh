#!/bin/sh
# cmake/wine-run.sh: runs a Windows program of the cross-build under Wine, for its tests. A
# wineserver that stays 30 seconds after its last program keeps every start quick: without one,
# each program waits for a new server to come up. The first start of a new prefix makes it.
export WINEDEBUG="${WINEDEBUG:--all}"
/usr/lib/wine/wineserver -p30 >/dev/null 2>&1 </dev/null || true
exec /usr/lib/wine/wine64 "$@"
