# Sourced by the entry scripts: where things are, and which Windows build the Wine tests run.
QT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QT_CACHE=${QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quendra}
export QT_ROOT QT_CACHE
jobs=$(nproc)

# The programs are 32-bit. Some machines (sandboxed kernels) cannot execute 32-bit code at all, so
# the 32-bit Wine loader cannot start there; the tests then run the same code built for 64-bit
# Windows under 64-bit Wine.
if [ -z "${QT_WINE_ARCH:-}" ]; then
  if /lib/ld-linux.so.2 --help >/dev/null 2>&1; then QT_WINE_ARCH=win32; else QT_WINE_ARCH=win64; fi
fi
if [ "$QT_WINE_ARCH" = win32 ]; then QT_WINE_BUILD=win32; else QT_WINE_BUILD=win64; fi
export QT_WINE_ARCH QT_WINE_BUILD

# configure_windows DIR: the i686 build in build/win32, the x86_64 one in build/win64.
configure_windows() {
  local dir=$1 triple=i686 jpeg=$QT_CACHE/libjpeg-i686
  if [ "$dir" = win64 ]; then triple=x86_64; jpeg=$QT_CACHE/libjpeg-x86_64; fi
  cmake -S "$QT_ROOT" -B "$QT_ROOT/build/$dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$QT_ROOT/cmake/mingw-$triple.cmake" \
    -DQT_JPEG_PREFIX="$jpeg" -DCMAKE_BUILD_TYPE=Release >/dev/null
}

# One X display and one persistent wineserver for a whole run; each test process then starts
# quickly. The trap takes both down again.
start_display() {
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 90 120); do
      [ -e /tmp/.X11-unix/X$n ] || { QT_DISPLAY=$n; break; }
    done
    Xvfb ":$QT_DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    QT_XVFB_PID=$!
    export DISPLAY=":$QT_DISPLAY"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$QT_DISPLAY" ] && break; sleep 0.1; done
  fi
  export WINEPREFIX=$QT_ROOT/build/$QT_WINE_BUILD/wineprefix
  "$QT_ROOT/scripts/wine-run" cmd /c exit 0 >/dev/null 2>&1 || true
  # Keeps one server for the whole run; it may already be up from creating the prefix.
  wineserver -p 2>/dev/null || true
  trap stop_display EXIT
}

stop_display() {
  wineserver -k 2>/dev/null || true
  if [ -n "${QT_XVFB_PID:-}" ]; then kill "$QT_XVFB_PID" 2>/dev/null || true; fi
}
