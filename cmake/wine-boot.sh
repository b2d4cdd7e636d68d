#!/bin/sh
# Makes a private Wine prefix ready once, completely, before any program runs in it:
# booted, its registry written to disk, Z: (the host's root) a network drive, so
# that fixed-drive searches and probes stay inside the prefix, and its windows on
# one virtual desktop. Callers racing for a new prefix wait for the first one; a
# prefix left half made is made again.
# usage: wine-boot.sh <wine loader> <win32|win64> <prefix>
set -eu
loader=$1 arch=$2 prefix=$3
# The prefix is removed when half made: accept only a build tree's own.
case "$prefix" in
  /?*/wineprefix) ;;
  *) echo "wine-boot: refusing prefix $prefix" >&2; exit 1 ;;
esac
ready="$prefix/.kb-ready-3"
[ -f "$ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$ready" ] && exit 0

export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
log="$prefix.boot.log"
# Wine's programs run with address randomisation off (see kb_norandom in
# scripts/lib.sh): a randomised heap now and then takes an address Wine needs.
run_wine() { setarch "$(uname -m)" -R "$loader" "$@"; }
fail() {
  echo "wine-boot: $1 (prefix $prefix; see $log)" >&2
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  exit 1
}
# A server of a half-made prefix may still be running.
/usr/lib/wine/wineserver -k 2>/dev/null || true
/usr/lib/wine/wineserver -w 2>/dev/null || true
rm -rf "$prefix"
run_wine wineboot -i </dev/null >"$log" 2>&1 || fail "wineboot failed"
run_wine reg add 'HKLM\Software\Wine\Drives' /v z: /d network /f </dev/null >>"$log" 2>&1 ||
  fail "could not make Z: a network drive"
# Every window opens on a virtual desktop of Wine's own, as on Windows: the
# X server has no window manager, and without one each top-level window that
# is hidden or destroyed waits about two seconds for it.
run_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >>"$log" 2>&1 &&
  run_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f </dev/null >>"$log" 2>&1 ||
  fail "could not set the virtual desktop"
# The skins' default faces, and the platform's Japanese faces, are drawn with
# the installed IPA Gothic fonts, so double-byte names show as a Japanese user
# sees them. The names are not ASCII: a Unicode registry file carries them.
fonts="$prefix.fonts.reg"
{
  printf '\357\273\277Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for face in 'ＭＳ Ｐゴシック=IPAPGothic' 'ＭＳ ゴシック=IPAGothic' \
    'MS PGothic=IPAPGothic' 'MS Gothic=IPAGothic' 'MS UI Gothic=IPAPGothic'; do
    printf '"%s"="%s"\r\n' "${face%%=*}" "${face#*=}"
  done
} | iconv -f UTF-8 -t UTF-16LE >"$fonts" || fail "could not write the font replacements"
run_wine regedit /S "Z:$fonts" </dev/null >>"$log" 2>&1 || fail "could not set the font replacements"
rm -f "$fonts"
# Every program of the boot has ended and the server has saved the registry.
/usr/lib/wine/wineserver -w
grep -q '^"z:"="network"' "$prefix/system.reg" || fail "Z: is not a network drive in the saved registry"
grep -q '^"Desktop"="Default"' "$prefix/user.reg" || fail "the virtual desktop is not in the saved registry"
grep -q '^"MS PGothic"="IPAPGothic"' "$prefix/user.reg" || fail "the font replacements are not in the saved registry"
case "$arch" in
  win32) grep -q '^#arch=win32' "$prefix/system.reg" || fail "the prefix is not a 32-bit one" ;;
esac
touch "$ready"
