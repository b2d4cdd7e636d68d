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
