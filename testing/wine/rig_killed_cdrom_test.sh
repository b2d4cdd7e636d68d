#!/bin/bash
# A run of the CD-ROM rig killed outright, as CTest kills a run past its time
# limit, leaves no drive behind for the programs after it: the next run with
# or without a CD-ROM drive takes the mapping away first.
# usage: rig_killed_cdrom_test.sh <wine-run.sh> <prefix> <letter> <disc folder> <disc_builder.exe> <holder.exe>
# KB_WINE_LOADER names the Wine loader of the prefix's word size.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
set +e
run=$1 prefix=$2 letter=$3 disc=$4 builder=$5 holder=$6
here=$(dirname "${BASH_SOURCE[0]}")
link="$prefix/dosdevices/${letter}:"
export WINEPREFIX="$prefix"
# The letter's value under the prefix's "Drives" key, empty when there is none.
drive_type() {
  kb_norandom "$KB_WINE_LOADER" reg query 'HKLM\Software\Wine\Drives' /v "${letter}:" </dev/null 2>/dev/null |
    tr -d '\r' | awk -v v="${letter}:" 'tolower($1) == v { print $3 }'
}
failed=0

# A run holding its drive, in a process group of its own, killed once its
# program runs (the mapping is made before the program starts).
setsid bash "$here/with_cdrom.sh" "$run" "$prefix" "$letter" "$disc" "$builder" "$holder" --for 600000 \
  </dev/null >/dev/null 2>&1 &
group=$!
deadline=$((SECONDS + 120))
until [ -L "$link" ] && [ "$(drive_type)" = cdrom ] && [ -d "$disc" ]; do
  if ! kill -0 "$group" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
    echo "the rig did not map ${letter}:"
    kill -KILL -- "-$group" 2>/dev/null
    exit 1
  fi
  sleep 0.2
done
kill -KILL -- "-$group"
while kill -0 "$group" 2>/dev/null; do sleep 0.1; done
[ -L "$link" ] || { echo "the killed run took its drive away: nothing left to show"; exit 1; }

# A program run without the rig's drives finds none.
KB_WINE_LOADER=$KB_WINE_LOADER bash "$here/without_cdrom.sh" "$run" "$prefix" cmd /c exit </dev/null >/dev/null 2>&1
if [ -L "$link" ] || [ -n "$(drive_type)" ]; then
  echo "${letter}: of the killed run is still mapped (link: $([ -L "$link" ] && echo yes || echo no), type: '$(drive_type)')"
  failed=1
fi
[ -e "$disc" ] && { echo "the killed run's disc folder is still there"; failed=1; }

# And the same letter is the rig's again rather than skipped as someone else's.
bash "$here/with_cdrom.sh" "$run" "$prefix" "$letter" "$disc" "$builder" cmd /c exit </dev/null >/dev/null 2>&1
rc=$?
[ "$rc" -eq 0 ] || { echo "the next run on ${letter}: ended with $rc"; failed=1; }
[ "$failed" -eq 0 ] && echo "a killed run's drive is taken away by the next run"
exit "$failed"
