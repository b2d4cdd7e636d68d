#!/bin/bash
# The rig uses only what is its own: a WINEPREFIX or a DISPLAY left in the
# environment by someone else is never taken.
# usage: rig_isolation_test.sh <wine-run.sh>
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
set +e
run=$1
failed=0
# A prefix that cannot even be made: the program runs in the build tree's own.
WINEPREFIX=/proc/kb-not-ours/wineprefix "$run" cmd /c exit </dev/null >/dev/null 2>&1 ||
  { echo "wine-run.sh took the WINEPREFIX of its environment"; failed=1; }
# A display of someone else's: a display of the rig's own is started beside it.
foreign=${DISPLAY:-:0}
unset KB_XVFB_DISPLAY
export DISPLAY=$foreign
KB_XVFB_PID=
if ! kb_xvfb_start; then
  echo "no display could be started"; failed=1
elif [ "$DISPLAY" = "$foreign" ] || [ -z "$KB_XVFB_PID" ] || [ ! -s "${XAUTHORITY:-}" ]; then
  echo "kb_xvfb_start kept the display $foreign of its environment"; failed=1
fi
kb_xvfb_stop
[ "$failed" -eq 0 ] && echo "the rig's prefix and display are its own"
exit "$failed"
