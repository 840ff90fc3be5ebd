# Shared by run.sh and test.sh: install what is missing, build, and manage
# the virtual display and the build tree's Wine prefix.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${REEF_BUILD_DIR:-$ROOT/build}
export WINEPREFIX=$BUILD/wineprefix
export WINEDEBUG=${REEF_WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

PACKAGES="cmake ninja-build g++ zlib1g-dev g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
          googletest wine wine64 xvfb x11-apps xdotool libgl1-mesa-dri"

say() { echo "[reef] $*"; }

install_missing() {
    local missing=()
    for p in $PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

build_all() {
    if [ ! -f "$BUILD/build.ninja" ]; then
        local launcher=()
        # A compiler cache, where one is installed, shares objects between build trees.
        if command -v ccache >/dev/null 2>&1; then
            launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
        fi
        cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
    fi
    cmake --build "$BUILD" -- --quiet -j"$(nproc)"
}

SETTINGS_KEY='HKCU\Software\Kelvane Soft\Reefglow 3'

# Every setting the benchmark and the soak measure under back at its built-in
# default: a missing value keeps it.
default_settings() {
    local name
    for name in CloneFishTech PartialMorph FlockSize CameraMode ToneMode Saturation; do
        wine reg delete "$SETTINGS_KEY" /v "$name" /f >/dev/null 2>&1 || true
    done
}

STARTED_XVFB=""
STARTED_WINESERVER=""

cleanup() {
    if [ -n "$STARTED_WINESERVER" ]; then wineserver -k >/dev/null 2>&1 || true; fi
    if [ -n "$STARTED_XVFB" ]; then kill "$STARTED_XVFB" >/dev/null 2>&1 || true; fi
}

start_display() {
    if [ -n "${DISPLAY:-}" ]; then return 0; fi
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    STARTED_XVFB=$!
    local num
    read -r num <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$num"
}

start_wine() {
    # The prefix is created once per build tree and thrown away with it.
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "creating Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        # Xvfb has no window manager: unmanaged windows spare every window
        # Wine's two-second wait for a manager that never answers.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
    fi
    # An already running server of this prefix (a run still shutting down) is reused.
    wineserver -p >/dev/null 2>&1 || true
    STARTED_WINESERVER=1
    # Start Wine's services and desktop now, detached from our output: started
    # by the first test they would hold CTest's pipes open after it ends.
    wine wineboot </dev/null >/dev/null 2>&1
}
