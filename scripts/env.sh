# Sourced by the entry scripts: where things are.
QT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QT_CACHE=${QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quendra}
QT_JPEG_PREFIX=$QT_CACHE/libjpeg-i686
export QT_ROOT QT_CACHE QT_JPEG_PREFIX
jobs=$(nproc)

configure_win32() {
  cmake -S "$QT_ROOT" -B "$QT_ROOT/build/win32" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$QT_ROOT/cmake/mingw-i686.cmake" \
    -DQT_JPEG_PREFIX="$QT_JPEG_PREFIX" -DCMAKE_BUILD_TYPE=Release >/dev/null
}

# One X display and one persistent wineserver for a whole run; each test process then starts
# quickly. The trap takes both down again.
start_display() {
  if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 120); do
      [ -e /tmp/.X11-unix/X$n ] || { QT_DISPLAY=$n; break; }
    done
    Xvfb ":$QT_DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    QT_XVFB_PID=$!
    export DISPLAY=":$QT_DISPLAY"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$QT_DISPLAY" ] && break; sleep 0.1; done
  fi
  export WINEPREFIX=$QT_ROOT/build/win32/wineprefix
  "$QT_ROOT/scripts/wine-run" cmd /c exit 0 >/dev/null 2>&1 || true
  WINEPREFIX=$WINEPREFIX wineserver -p
  trap stop_display EXIT
}

stop_display() {
  WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
  [ -n "${QT_XVFB_PID:-}" ] && kill "$QT_XVFB_PID" 2>/dev/null || true
}
