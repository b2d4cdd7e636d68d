# Shared by scripts/test and scripts/demo: packages and Wine session helpers.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=$(nproc 2>/dev/null || echo 8)

KB_PACKAGES=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 xvfb xauth
  zlib1g-dev libz-mingw-w64-dev googletest libgtest-dev libgmock-dev clang libssl-dev
  libbenchmark-dev)

kb_install_packages() {
  local missing=()
  for p in "${KB_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # One unreachable index must not stop the run; the install says whether it mattered.
  apt-get update -q || echo "apt-get update reported a problem; going on"
  apt-get install -y -q --no-install-recommends "${missing[@]}"
}

kb_wine_loader() { echo /usr/lib/wine/wine64; }

# Starts a private Wine prefix for a build tree, a persistent wineserver and Xvfb.
# Everything started here is ended by kb_wine_stop.
KB_WINE_PREFIXES=()
KB_XVFB_PID=
kb_wine_start() {
  local prefix="$1"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
  if [ -z "${DISPLAY:-}" ] || [ -n "${KB_XVFB_PID}" ]; then
    if [ -z "${KB_XVFB_PID}" ]; then
      local n=91
      while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      KB_XVFB_PID=$!
      export DISPLAY=":$n"
      sleep 1
    fi
  fi
  if [ ! -f "$prefix/system.reg" ]; then
    WINEPREFIX="$prefix" "$(kb_wine_loader)" wineboot -i >/dev/null 2>&1 || true
    # Z: maps the host's root; as a network drive it stays out of every fixed-drive
    # search and probe the tests run, so nothing is written outside the build tree.
    WINEPREFIX="$prefix" "$(kb_wine_loader)" reg add 'HKLM\Software\Wine\Drives' /v z: /d network /f >/dev/null 2>&1 || true
    WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w 2>/dev/null || true
  fi
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
  # Wine's background services start with the first program and inherit its output
  # pipes; start them here on /dev/null so CTest never waits on a pipe they hold.
  WINEPREFIX="$prefix" "$(kb_wine_loader)" cmd /c exit </dev/null >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" "$(kb_wine_loader)" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
  KB_WINE_PREFIXES+=("$prefix")
}

kb_wine_stop() {
  for p in "${KB_WINE_PREFIXES[@]:-}"; do
    [ -n "$p" ] && WINEPREFIX="$p" /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
  KB_WINE_PREFIXES=()
  if [ -n "${KB_XVFB_PID}" ]; then kill "${KB_XVFB_PID}" 2>/dev/null || true; KB_XVFB_PID=; fi
}

kb_configure_build() {
  local preset="$1"
  cmake --preset "$preset" -S "$ROOT" >/dev/null
  cmake --build --preset "$preset" -j "$JOBS"
}

# Starts Xvfb for windows when no display is set; kb_xvfb_stop ends what it started.
KB_OWN_XVFB_PID=
kb_xvfb_ensure() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n=91
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  KB_OWN_XVFB_PID=$!
  export DISPLAY=":$n"
  local tries=0
  while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
}
kb_xvfb_stop() {
  if [ -n "${KB_OWN_XVFB_PID}" ]; then kill "${KB_OWN_XVFB_PID}" 2>/dev/null || true; KB_OWN_XVFB_PID=; fi
}

# A fresh, persistent Wine server for a prefix, with its background services
# started on /dev/null (as kb_wine_start does), so programs see changed drives.
kb_wine_restart() {
  local prefix="$1"
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w 2>/dev/null || true
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" "$(kb_wine_loader)" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Maps folder as the CD-ROM drive <letter>: of a prefix: the dosdevices link,
# the "Drives" registry value, then a fresh Wine server. Refuses (1) a letter
# that is already mapped.
kb_wine_map_cdrom() {
  local prefix="$1" letter="$2" folder="$3"
  local link="$prefix/dosdevices/${letter}:"
  if [ -e "$link" ] || [ -L "$link" ]; then
    echo "${letter}: is already mapped in $prefix" >&2
    return 1
  fi
  ln -s "$folder" "$link"
  WINEPREFIX="$prefix" "$(kb_wine_loader)" reg add 'HKLM\Software\Wine\Drives' /v "${letter}:" /d cdrom /f \
    </dev/null >/dev/null 2>&1
  kb_wine_restart "$prefix"
}

# Takes a mapping made by kb_wine_map_cdrom away again (only a link to folder).
kb_wine_unmap_cdrom() {
  local prefix="$1" letter="$2" folder="$3"
  local link="$prefix/dosdevices/${letter}:"
  if [ -L "$link" ] && [ "$(readlink "$link")" = "$folder" ]; then rm -f "$link"; fi
  WINEPREFIX="$prefix" "$(kb_wine_loader)" reg delete 'HKLM\Software\Wine\Drives' /v "${letter}:" /f \
    </dev/null >/dev/null 2>&1 || true
  kb_wine_restart "$prefix"
}
