#!/bin/sh
# cmake/wine-run.sh: runs a Windows program of the cross-build under Wine, for its tests.
# Wine starts programs of its own (services, devices) the first time a program runs in a session,
# and they live on for a while; started by a test, they would hold its output open and keep the
# test waiting for them. So a session is started here, apart from the caller's output, with a
# wineserver that stays 30 seconds after its last program, which also keeps each start quick.
export WINEDEBUG="${WINEDEBUG:--all}"
apart() { setsid "$@" >/dev/null 2>&1 </dev/null; }
if [ ! -d "${WINEPREFIX:-$HOME/.wine}" ]; then apart /usr/lib/wine/wine64 wineboot --init; fi
if apart /usr/lib/wine/wineserver -p30; then apart /usr/lib/wine/wine64 wineboot; fi
exec /usr/lib/wine/wine64 "$@"
