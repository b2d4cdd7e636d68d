#!/bin/bash
# Every Wine process of the rig runs with the kernel's address randomisation off
# (kb_norandom in scripts/lib.sh): a program started through wine-run.sh, the
# program it starts in turn, and Wine's services in the prefix. The program
# waits for a line on its standard input while its processes are looked at.
# usage: rig_norandom_test.sh <wine-run.sh> <prefix> <wine loader>
set -u
run=$1 prefix=$2 loader=$(readlink -f "$3")
stop=$(mktemp -u "${TMPDIR:-/tmp}/rig-norandom.XXXXXX")
trap 'touch "$stop"; wait; rm -f "$stop"' EXIT
{ until [ -e "$stop" ]; do sleep 0.1; done; echo; } | "$run" cmd /c "cmd /c set /p line=" >/dev/null 2>&1 &

# The Wine processes of the prefix: "<pid> <personality> <name>" a line (one
# that ends while it is looked at is left out).
wine_processes() {
  local exe p name personality
  for exe in $(find /proc -mindepth 2 -maxdepth 2 -name exe -lname "$loader" 2>/dev/null); do
    p=${exe%/exe}
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" || continue
    name=$({ cat "$p/comm"; } 2>/dev/null) && personality=$({ cat "$p/personality"; } 2>/dev/null) &&
      [ -n "$personality" ] && echo "${p#/proc/} $personality $name"
  done
}
deadline=$((SECONDS + 120))
until list=$(wine_processes) && [ "$(grep -cE '^[0-9]+ [0-9a-f]+ cmd(\.exe)?$' <<<"$list")" -ge 2 ] &&
  grep -q ' services\.exe$' <<<"$list"; do
  if [ "$SECONDS" -ge "$deadline" ]; then
    echo "the program and its child did not both come up with Wine's services in 120 s:"
    echo "$list"
    exit 1
  fi
  sleep 0.2
done
echo "$list"
# ADDR_NO_RANDOMIZE is 0x0040000 of the personality.
randomised=0
while read -r pid personality name; do
  if [ $((16#$personality & 16#0040000)) -eq 0 ]; then
    echo "$name (process $pid) runs with address randomisation on"
    randomised=1
  fi
done <<<"$list"
[ "$randomised" -eq 0 ] || exit 1
echo "every Wine process of the prefix runs with address randomisation off"
