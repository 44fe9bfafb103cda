# Shared by scripts/test and scripts/run: folders, Wine choice, installs.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${ORVANTA_BUILD:-$ROOT/build}
JOBS=${JOBS:-$(nproc)}

log() { printf '\n== %s\n' "$*"; }

need_packages() {
  local missing=()
  for p in "$@"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then dpkg --add-architecture i386; fi
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

install_prerequisites() {
  need_packages cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev \
    python3 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
    wine wine64 wine32:i386 xvfb xauth x11-utils locales fonts-ipafont-gothic nsis
  if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
}

# The delivered programs are 32-bit x86. Where this kernel runs 32-bit
# programs, Wine runs them as they are; where it does not (ia32 emulation
# switched off at boot, as on this workplace's machines), the same sources are
# built for x86-64 and tested under 64-bit Wine, and the 32-bit build is only
# built and installed.
choose_wine() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINE_ARCH=i686; WINE_BIN=/usr/lib/wine/wine; export WINEARCH=win32
  else
    WINE_ARCH=x86_64; WINE_BIN=/usr/lib/wine/wine64; export WINEARCH=win64
  fi
  TEST_TREE=$BUILD/win-$WINE_ARCH
}

wine_env() {
  export WINEPREFIX=$BUILD/wineprefix-$WINE_ARCH
  export WINEDEBUG=${WINEDEBUG:--all}
  # Code page 932 as on the target systems.
  export LC_ALL=ja_JP.UTF-8
  # No .NET or Gecko prompts; no sound card on a test machine, so no ALSA noise.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv=d"
}

configure_build() {  # name, extra cmake args...
  local dir=$1; shift
  # A compiler cache, where the machine has one, spares rebuilding the same
  # sources in a second checkout.
  local launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

build_all() {
  log "native tree (ASan, UBSan, fuzzers)"
  configure_build "$BUILD/native" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DORVANTA_FUZZ=ON
  log "Windows tree for testing ($WINE_ARCH)"
  configure_build "$TEST_TREE" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$WINE_ARCH.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$WINE_BIN"
  if [ "$WINE_ARCH" != i686 ]; then
    log "Windows tree as delivered (i686)"
    configure_build "$BUILD/win-i686" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DORVANTA_BUILD_TESTS=OFF
  fi
  log "install layout in build/dist"
  rm -rf "$BUILD/dist"
  cmake --install "$BUILD/win-i686" --prefix "$BUILD/dist" --strip >/dev/null
}

start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
    kill $XVFB_PID 2>/dev/null
  done
  echo "no free X display" >&2; return 1
}

prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating Wine prefix $WINEPREFIX"
    "$WINE_BIN" wineboot -i >/dev/null 2>&1 || true
    /usr/bin/wineserver -w
  fi
  /usr/bin/wineserver -p >/dev/null 2>&1
  # Start Wine's own services (explorer, services, device host) now, with
  # their output going nowhere: started by the first test program instead,
  # they inherit its output pipe, and ctest then waits on that pipe until its
  # time-out although the test program ended long ago.
  "$WINE_BIN" wineboot >/dev/null 2>&1 </dev/null || true
  # No window manager runs on the virtual screen: windows that Wine leaves to
  # one ("managed") make their program wait about 2 s whenever they are
  # hidden. Wine then places and stacks every window itself.
  "$WINE_BIN" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
}

stop_started() {
  [ -n "${WINEPREFIX:-}" ] && /usr/bin/wineserver -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}
