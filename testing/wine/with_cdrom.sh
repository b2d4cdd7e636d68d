#!/bin/bash
# Writes the sample disc into a fresh folder, maps it as a CD-ROM drive of the
# test prefix, runs a Windows program with KB_CDROM_LETTER set (under Xvfb when
# no display is set), and takes the mapping and the folder away again.
# usage: with_cdrom.sh <wine-run.sh> <prefix> <letter> <disc folder> <disc_builder.exe> <program> [args...]
# Exit code: the program's; 77 when the letter is already mapped (skipped). A
# mapping left by a run that was killed is taken away first.
# KB_WINE_LOADER names the Wine loader of the prefix's word size; KB_DISC_LAYOUT,
# when set, names the disc_builder layout to write instead of the sample disc.
# The program gets KB_DISC_SOURCES, the Windows path of the folder that holds
# the disc's sources (SessionNN\src), to compare exported files with.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
set +e
run=$1 prefix=$2 letter=$3 disc=$4 builder=$5
shift 5
# The folder is emptied first: accept only the build tree's own "cdrom-disc".
case "$disc" in
  /?*/cdrom-disc) ;;
  *) echo "refusing disc folder $disc"; exit 1 ;;
esac
export WINEPREFIX="$prefix" KB_WINE_PREFIX="$prefix"
kb_wine_unmap_stale_cdroms "$prefix" "$KB_WINE_LOADER"
if [ -e "$prefix/dosdevices/${letter}:" ] || [ -L "$prefix/dosdevices/${letter}:" ]; then
  echo "${letter}: is already mapped in $prefix; leaving it alone"
  exit 77
fi
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
# Every entry's path, kind, size, mode and modification time (to the
# nanosecond), then every file's checksum; folders' times show files that came
# and went.
disc_snapshot() {
  (cd "$1" && LC_ALL=C find . -printf '%p|%y|%s|%m|%T@\n' | LC_ALL=C sort &&
    LC_ALL=C find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r md5sum)
}

rm -rf "$disc" "$disc.work"
mkdir -p "$disc" "$disc.work" || exit 1
mapped=
cleanup() {
  [ -n "$mapped" ] && kb_wine_unmap_cdrom "$prefix" "$KB_WINE_LOADER" "$letter" "$disc"
  rm -rf "$disc" "$disc.work"
  kb_xvfb_stop
}
trap cleanup EXIT
trap 'exit 1' INT TERM

"$run" "$builder" "$(windows_path "$disc")" "$(windows_path "$disc.work")" ${KB_DISC_LAYOUT:+"$KB_DISC_LAYOUT"} || { echo "the disc was not written"; exit 1; }
# The program may finish the disc first with the argument KB_DISC_PREPARE
# names (the demo adds a launcher folder made of built programs); the disc
# counts as written from then on.
if [ -n "${KB_DISC_PREPARE:-}" ]; then
  "$run" "$1" "$KB_DISC_PREPARE" || { echo "the disc was not prepared"; exit 1; }
fi
disc_snapshot "$disc" >"$disc.work/disc-before" || { echo "the disc could not be read"; exit 1; }
kb_xvfb_start || exit 1
kb_wine_map_cdrom "$prefix" "$KB_WINE_LOADER" "$letter" "$disc" || exit 1
mapped=1
KB_CDROM_LETTER="$letter" KB_DISC_SOURCES="$(windows_path "$disc.work")" "$run" "$@"
rc=$?
disc_snapshot "$disc" >"$disc.work/disc-after"
if ! cmp -s "$disc.work/disc-before" "$disc.work/disc-after"; then
  echo "the disc was changed during the run (< before, > after):"
  diff "$disc.work/disc-before" "$disc.work/disc-after" | grep '^[<>]'
  [ "$rc" -eq 0 ] || [ "$rc" -eq 77 ] && rc=1
fi
exit $rc
