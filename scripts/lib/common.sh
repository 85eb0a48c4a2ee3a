# Shared by scripts/test and scripts/run. Source it; it sets ROOT and a few helpers.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
WINE64="${WINE64:-/usr/lib/wine/wine64}"
WINESERVER="${WINESERVER:-/usr/lib/wine/wineserver}"

log() { printf '\n==> %s\n' "$*"; }

# apt_need PKG... : installs the Debian packages that are missing; retries once, fails loudly.
apt_need() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # Packages of another architecture (wine32:i386) need it added to dpkg before the update.
  local p arch
  for p in "${missing[@]}"; do
    arch="${p##*:}"
    [ "$arch" = "$p" ] && continue
    dpkg --print-foreign-architectures | grep -qx "$arch" || $sudo dpkg --add-architecture "$arch"
  done
  for attempt in 1 2; do
    if $sudo apt-get update -q && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"; then
      return 0
    fi
    echo "apt-get failed (attempt $attempt)" >&2
    sleep 5
  done
  echo "ERROR: could not install: ${missing[*]}" >&2
  exit 1
}

NATIVE_PKGS=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev googletest libbenchmark-dev clang libclang-rt-14-dev)
WIN_PKGS=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 googletest clang lld zip)
# wine32 runs the 32-bit program, the one the release zip ships.
WINE_PKGS=(wine wine64 wine32:i386 xvfb xdotool x11-utils imagemagick xauth)

# wine_env DIR : a private Wine prefix under DIR, created once and reused.
wine_env() {
  export WINEPREFIX="$1/wineprefix"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEARCH=win64
  # No Mono/Gecko prompts in a fresh prefix.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$WINE64" wineboot.exe -i >/dev/null 2>&1 || true
    "$WINESERVER" -w 2>/dev/null || true
  fi
}

# dark_taskbar_colours : the prefix's theme off and dark system colours, so that white tray digits
# show on Wine's taskbar (it is white with the theme). The theme value holds only when written
# after wineboot has finished, hence the waits.
dark_taskbar_colours() {
  "$WINESERVER" -w 2>/dev/null || true
  "$WINE64" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /d 0 /f >/dev/null 2>&1
  local name
  for name in ButtonFace Window Menu MenuBar; do
    "$WINE64" reg add 'HKCU\Control Panel\Colors' /v "$name" /d '32 32 32' /f >/dev/null 2>&1
  done
  "$WINESERVER" -w 2>/dev/null || true
}

# start_xvfb : a private X server when there is no DISPLAY; sets XVFB_PID. The server picks a free
# display number itself (-displayfd): a fixed list of numbers runs out when stale lock files of
# earlier runs hold them, and then a check would share another run's screen and pointer.
XVFB_PID=""
start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local ready n=""
  ready="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$ready" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -z "$n" ] && n="$(head -n 1 "$ready" 2>/dev/null)"
    if [ -n "$n" ] && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
      rm -f "$ready"
      export DISPLAY=":$n"
      return 0
    fi
    sleep 0.1
  done
  rm -f "$ready"
  echo "ERROR: Xvfb did not start" >&2
  exit 1
}

stop_wine() { [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k 2>/dev/null || true; }
stop_xvfb() { [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true; }

# Wine-side helpers for a build folder in $BUILD (scripts/run and the e2e checks).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
wine_tool() { timeout 60 "$WINE64" "$BUILD/$1" "${@:2}" 2>/dev/null | tr -d '\r'; }

# Copies of the program running in this prefix (other prefixes on the machine do not count).
program_pids() {
  local pid
  for pid in $(pgrep -f 'lumivane\.exe' 2>/dev/null); do
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    grep -q 'explorer' "/proc/$pid/cmdline" 2>/dev/null && continue
    echo "$pid"
  done
}

# use_desktop NAME : makes the virtual desktop NAME every process's default in this prefix, so
# that tools started later find the program's windows (they only see their own desktop).
use_desktop() {
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d "$1" /f >/dev/null 2>&1
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$1" /d 1024x768 /f >/dev/null 2>&1
}

# pe_is_32bit FILE : the Windows executable or DLL FILE is built for 32-bit x86.
pe_is_32bit() {
  local pe
  pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') && [ -n "$pe" ] || return 1
  [ "$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')" = "014c" ]
}

# install_ddcsim : the DDC/CI simulator as this prefix's dxva2.dll (Wine has no DDC/CI); a 32-bit
# build's simulator goes where 32-bit programs load their system DLLs from.
install_ddcsim() {
  local dir=system32
  pe_is_32bit "$BUILD/dxva2.dll" && dir=syswow64
  cp "$BUILD/dxva2.dll" "$WINEPREFIX/drive_c/windows/$dir/dxva2.dll" || return 1
  export WINEDLLOVERRIDES="dxva2=n;mscoree,mshtml="
}
