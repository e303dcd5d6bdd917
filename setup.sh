#!/usr/bin/env bash
# Zelkor set-up on Debian 12, as root or through sudo. Safe to run again.
#   ./setup.sh run    install what the program needs, build it, start it
#   ./setup.sh test   install what the tests need, build, run every test
#   ./setup.sh package  build the Debian package zelkor_<version>_<arch>.deb
#                       into the build folder
# Options through the environment: BUILD_DIR (default build), ZELKOR_SANITIZE=ON
# for an AddressSanitizer/UBSan build, CI=true to turn warnings into errors.
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-}
build_dir=${BUILD_DIR:-build}

# Build and run time.
packages=(
    build-essential cmake pkg-config sqlite3 libsqlite3-dev
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-qpa-plugins libgl-dev
    libpulse-dev libasound2-dev libxss-dev libxcb1-dev libx11-dev
    libcap2-bin librsvg2-bin libsodium-dev xdg-utils
)
# Making the Debian package: dependencies by dpkg-shlibdeps, which CPack
# finds the programs for with file.
package_packages=(dpkg-dev file)
# The tests' real counterparts: an X server with a window manager and a tray,
# input, private message buses with mock system services, captured sound,
# a faked wall clock for the program, clang with libFuzzer for the fuzz
# targets, and the checkers of the package.
test_packages=(
    xvfb openbox trayer xdotool x11-utils imagemagick
    dbus dbus-x11 python3-dbusmock python3-icalendar
    alsa-utils sox fonts-dejavu-core
    faketime
    clang libclang-rt-14-dev
    desktop-file-utils appstream lintian
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

build() {
    local werror=OFF
    [ "${CI:-}" = "true" ] && werror=ON
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZELKOR_WERROR="$werror" -DZELKOR_SANITIZE="${ZELKOR_SANITIZE:-OFF}"
    cmake --build "$build_dir" -j"$(nproc)"
}

case "$mode" in
run)
    install_packages "${packages[@]}"
    build
    exec "$build_dir/zelkor/zelkor"
    ;;
test)
    install_packages "${packages[@]}" "${package_packages[@]}" "${test_packages[@]}"
    build
    ctest --test-dir "$build_dir" --output-on-failure
    ;;
package)
    install_packages "${packages[@]}" "${package_packages[@]}"
    build
    cpack --config "$build_dir/CPackConfig.cmake" -B "$build_dir"
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
