#!/bin/sh
# Maps Y: of the Wine prefix to a fresh folder, runs the drive test program, and
# takes the mapping and the folder away again. An existing Y: is never touched.
# usage: spurlane_drive_test.sh <wine-run.sh> <test program> <prefix> <work folder>
set -u
run=$1 exe=$2 prefix=$3 work=$4
# The folder is emptied first: accept only the build tree's own "drive-y".
case "$work" in
  /?*/drive-y) ;;
  *) echo "refusing work folder $work"; exit 1 ;;
esac
link="$prefix/dosdevices/y:"
if [ -e "$link" ] || [ -L "$link" ]; then
  echo "y: is already mapped in $prefix; leaving it alone"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work/TQZDisc" || exit 1
cleanup() {
  if [ -L "$link" ] && [ "$(readlink "$link")" = "$work" ]; then rm -f "$link"; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
ln -s "$work" "$link" || exit 1
# The program runs in the prefix whose Y: was mapped here.
export KB_WINE_PREFIX="$prefix"
"$run" "$exe"
