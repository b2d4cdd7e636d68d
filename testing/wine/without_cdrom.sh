#!/bin/bash
# Runs a Windows program in the test prefix as on a machine without the rig's
# CD-ROM drives: a drive left mapped by a run of with_cdrom.sh that was killed
# is taken away first.
# usage: without_cdrom.sh <wine-run.sh> <prefix> <program> [args...]
# KB_WINE_LOADER names the Wine loader of the prefix's word size.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
set +e
run=$1 prefix=$2
shift 2
export WINEPREFIX="$prefix" KB_WINE_PREFIX="$prefix"
kb_wine_unmap_stale_cdroms "$prefix" "$KB_WINE_LOADER"
"$run" "$@"
