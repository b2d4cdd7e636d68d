# Shared by scripts/test and scripts/demo: packages and Wine session helpers.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Build jobs; a shared machine may ask for fewer.
JOBS=${KB_JOBS:-$(nproc 2>/dev/null || echo 8)}

# clang without its recommended packages has no libFuzzer or sanitizer runtimes:
# libclang-rt-14-dev brings them. locales makes the Japanese locale the
# code-page-932 run needs; fonts-ipafont-gothic the Japanese faces the Wine
# prefixes draw double-byte names with.
KB_PACKAGES=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 xvfb xauth
  zlib1g-dev libz-mingw-w64-dev googletest libgtest-dev libgmock-dev clang libclang-rt-14-dev
  libssl-dev libbenchmark-dev locales fonts-ipafont-gothic)
# The shipped build is i686: its tests run under the 32-bit Wine.
KB_PACKAGES_I386=(wine32:i386)
KB_LOCALES=("ja_JP.UTF-8 UTF-8")

kb_missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

kb_install_packages() {
  export DEBIAN_FRONTEND=noninteractive
  local missing missing32
  mapfile -t missing < <(kb_missing "${KB_PACKAGES[@]}")
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  mapfile -t missing32 < <(kb_missing "${KB_PACKAGES_I386[@]}")
  if [ ${#missing[@]} -gt 0 ] || [ ${#missing32[@]} -gt 0 ]; then
    # One unreachable index must not stop the run; the install says whether it mattered.
    apt-get update -q || echo "apt-get update reported a problem; going on"
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
  if [ ${#missing32[@]} -gt 0 ]; then
    echo "Installing: ${missing32[*]}"
    # Without it the i686 suite cannot run; scripts/test says so in its summary.
    apt-get install -y -q --no-install-recommends "${missing32[@]}" ||
      echo "WARNING: could not install ${missing32[*]}: the i686 build's tests will not run"
  fi
  kb_make_locales
}

# Generates each locale of KB_LOCALES that the system lacks, and keeps it listed so
# that a later locale-gen does not drop it.
kb_make_locales() {
  local entry name have
  have=$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
  for entry in "${KB_LOCALES[@]}"; do
    name=${entry%% *}
    echo "$have" | grep -qx "$(echo "$name" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')" && continue
    grep -qx "$entry" /etc/locale.gen 2>/dev/null || echo "$entry" >> /etc/locale.gen
    echo "Generating locale $name"
    locale-gen
  done
}

# The Wine loader of a configuration: win64 or win32. Nothing printed, status 1,
# when that Wine is not installed or cannot run here (a kernel may refuse 32-bit
# programs although the packages install).
kb_wine_loader() {
  local loader
  case "$1" in
    win64) loader=/usr/lib/wine/wine64 ;;
    win32) loader=/usr/lib/wine/wine ;;
    *) return 1 ;;
  esac
  [ -x "$loader" ] && "$loader" --version >/dev/null 2>&1 || return 1
  echo "$loader"
}

# Why kb_wine_loader found no Wine for a configuration, in a few words.
kb_wine_missing_reason() {
  local loader=/usr/lib/wine/wine64
  [ "$1" = win32 ] && loader=/usr/lib/wine/wine
  if [ -x "$loader" ]; then
    echo "its Wine is installed but does not run on this machine's kernel"
  else
    echo "its Wine could not be installed"
  fi
}

# Starts a private Xvfb for the run and waits until it accepts clients. A
# DISPLAY inherited from elsewhere is never used: the windows of the tests go to
# a display of their own, which only holders of its key (XAUTHORITY, a file of
# the run's own) may use, so no other program on the machine draws on it, moves
# its focus or ends it under the tests. A display this helper started is kept
# (KB_XVFB_DISPLAY names it for the test scripts it starts).
KB_XVFB_PID=
kb_xvfb_start() {
  [ -n "${KB_XVFB_PID}" ] && return 0
  if [ -n "${KB_XVFB_DISPLAY:-}" ] && [ "${DISPLAY:-}" = "${KB_XVFB_DISPLAY}" ] &&
    [ -n "${XAUTHORITY:-}" ] && [ -f "${XAUTHORITY}" ]; then
    return 0
  fi
  local ready auth cookie
  ready=$(mktemp) && auth=$(mktemp) || return 1
  cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
  # The server takes every key of the file; clients look theirs up by the
  # display's number, added once it is known.
  xauth -f "$auth" add ":0" MIT-MAGIC-COOKIE-1 "$cookie" >/dev/null 2>&1 ||
    { echo "could not write the display's key" >&2; rm -f "$ready" "$auth"; return 1; }
  # Xvfb picks a display number free on this machine (its lock file and its
  # socket, the abstract one included, which every chroot of the machine
  # shares) and writes it once it is listening.
  Xvfb -displayfd 3 -auth "$auth" -screen 0 1280x1024x24 -nolisten tcp 3>"$ready" >/dev/null 2>&1 &
  KB_XVFB_PID=$!
  local deadline=$((SECONDS + 60))
  until grep -q '^[0-9]' "$ready"; do
    if ! kill -0 "$KB_XVFB_PID" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
      echo "Xvfb did not start" >&2
      rm -f "$ready" "$auth"
      KB_XVFB_PID=
      return 1
    fi
    sleep 0.1
  done
  local n
  n=$(head -n 1 "$ready")
  rm -f "$ready"
  # The key under the display's own number, as clients look it up.
  export DISPLAY=":$n" XAUTHORITY="$auth" KB_XVFB_DISPLAY=":$n"
  xauth -f "$auth" add ":$n" MIT-MAGIC-COOKIE-1 "$cookie" >/dev/null 2>&1 ||
    { echo "could not write the display's key" >&2; kb_xvfb_stop; return 1; }
}

# Ends the Xvfb kb_xvfb_start started here, if any, and removes its key.
kb_xvfb_stop() {
  [ -n "${KB_XVFB_PID}" ] || return 0
  kill "${KB_XVFB_PID}" 2>/dev/null || true
  KB_XVFB_PID=
  [ -n "${XAUTHORITY:-}" ] && rm -f "${XAUTHORITY}"
  unset DISPLAY XAUTHORITY KB_XVFB_DISPLAY
}

# kb_norandom <command...>: runs a command with the kernel's address
# randomisation off for its process, and so for every process it starts. Wine
# needs a few fixed addresses (its shared user data at 0x7ffe0000) free when it
# starts; its preloader, which keeps them free, is not in Debian's packages, and
# the kernel places the loader's heap anywhere in the gigabyte above the loader
# (0x7d000000), so one start in several thousand finds the heap there and
# ends at once ("failed to map the shared user data"). Without randomisation the
# heap starts right after the loader, far below. Every Wine program of the rig
# runs through this (setarch is util-linux's, on every Debian system); the
# wineserver maps no Windows memory and needs none of it.
kb_norandom() {
  setarch "$(uname -m)" -R "$@"
}

# kb_wine_start <prefix> <win64|win32>
# Makes a build tree's private prefix ready (booted to the end, registry saved),
# then starts its persistent wineserver and Wine's services, so that no test
# program is the first in its prefix and none meets a server or a service
# starting or stopping. Everything started here is ended by kb_wine_stop.
KB_WINE_PREFIXES=()
kb_wine_start() {
  local prefix="$1" arch="$2" loader
  loader=$(kb_wine_loader "$arch") || { echo "no Wine for $arch" >&2; return 1; }
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
  kb_norandom true ||
    { echo "this machine does not let a process run without address randomisation (setarch -R): its Wine programs would fail to start now and then" >&2; return 1; }
  kb_xvfb_start || return 1
  "$ROOT/cmake/wine-boot.sh" "$loader" "$arch" "$prefix" || return 1
  KB_WINE_PREFIXES+=("$prefix")
  # A server left by an earlier run may not be persistent: replace it.
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w || return 1
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 ||
    { echo "could not start a persistent wineserver for $prefix" >&2; return 1; }
  # Wine's background services start with the first program and inherit its output
  # pipes; start them here on /dev/null so CTest never waits on a pipe they hold.
  # Each call returns once what it started is up: the services, then the desktop.
  WINEPREFIX="$prefix" kb_norandom "$loader" cmd /c exit </dev/null >/dev/null 2>&1 ||
    { echo "Wine's services did not start in $prefix" >&2; return 1; }
  WINEPREFIX="$prefix" kb_norandom "$loader" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 ||
    { echo "Wine's desktop did not start in $prefix" >&2; return 1; }
}

kb_wine_stop() {
  local p
  for p in "${KB_WINE_PREFIXES[@]:-}"; do
    [ -n "$p" ] && WINEPREFIX="$p" /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
  KB_WINE_PREFIXES=()
  kb_xvfb_stop
}

kb_configure_build() {
  local preset="$1"
  cmake --preset "$preset" -S "$ROOT" >/dev/null
  cmake --build --preset "$preset" -j "$JOBS"
}

# A fresh, persistent Wine server for a prefix, with its background services
# started on /dev/null (as kb_wine_start does), so programs see changed drives.
# usage: kb_wine_restart <prefix> <wine loader>
kb_wine_restart() {
  local prefix="$1" loader="$2"
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w 2>/dev/null || true
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" kb_norandom "$loader" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Maps folder as the CD-ROM drive <letter>: of a prefix: the dosdevices link,
# the "Drives" registry value, then a fresh Wine server. Refuses (1) a letter
# that is already mapped. The mapping is marked with the process id of the
# shell that made it (see kb_wine_unmap_stale_cdroms).
# usage: kb_wine_map_cdrom <prefix> <wine loader> <letter> <folder>
kb_wine_map_cdrom() {
  local prefix="$1" loader="$2" letter="$3" folder="$4"
  local link="$prefix/dosdevices/${letter}:"
  if [ -e "$link" ] || [ -L "$link" ]; then
    echo "${letter}: is already mapped in $prefix" >&2
    return 1
  fi
  printf '%s %s\n' "$$" "$folder" >"$prefix/kb-cdrom-${letter}.owner"
  ln -s "$folder" "$link"
  WINEPREFIX="$prefix" kb_norandom "$loader" reg add 'HKLM\Software\Wine\Drives' /v "${letter}:" /d cdrom /f \
    </dev/null >/dev/null 2>&1
  kb_wine_restart "$prefix" "$loader"
}

# Takes a mapping made by kb_wine_map_cdrom away again (only a link to folder).
kb_wine_unmap_cdrom() {
  local prefix="$1" loader="$2" letter="$3" folder="$4"
  local link="$prefix/dosdevices/${letter}:"
  if [ -L "$link" ] && [ "$(readlink "$link")" = "$folder" ]; then rm -f "$link"; fi
  WINEPREFIX="$prefix" kb_norandom "$loader" reg delete 'HKLM\Software\Wine\Drives' /v "${letter}:" /f \
    </dev/null >/dev/null 2>&1 || true
  rm -f "$prefix/kb-cdrom-${letter}.owner"
  kb_wine_restart "$prefix" "$loader"
}

# Takes away every CD-ROM mapping of a prefix whose maker has ended without
# taking it away itself: a run killed outright (CTest ends a run past its time
# limit with SIGKILL, which no trap sees) leaves its drive to every later
# program of the prefix, so a test of a machine without a CD-ROM drive finds
# one. The disc folder it left is removed with it.
# usage: kb_wine_unmap_stale_cdroms <prefix> <wine loader>
kb_wine_unmap_stale_cdroms() {
  local prefix="$1" loader="$2" marker letter pid folder
  for marker in "$prefix"/kb-cdrom-?.owner; do
    [ -f "$marker" ] || continue
    read -r pid folder <"$marker"
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && continue
    letter=${marker##*/kb-cdrom-}
    letter=${letter%.owner}
    echo "taking away ${letter}: (${folder}), left mapped by a run that was killed" >&2
    kb_wine_unmap_cdrom "$prefix" "$loader" "$letter" "$folder"
    case "$folder" in
      /?*/cdrom-disc) rm -rf "$folder" "$folder.work" ;;
    esac
  done
}
