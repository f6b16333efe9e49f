# Shared by the scripts: install what is missing (Debian 12), configure and build.
set -euo pipefail

repo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Debian packages the build, the tests and headless runs need.
required_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-svg-dev libgl-dev
    xvfb xauth openbox fonts-dejavu-core fonts-liberation
    dbus-daemon at-spi2-core python3-pyatspi
    # A second desktop style (Adwaita-Dark) under which the captions are checked.
    adwaita-qt6
    # The text of a printed PDF file (pdftotext, pdfinfo).
    poppler-utils
    # The checks of the packaging files (CTest label "packaging").
    desktop-file-utils appstream groff-base dpkg-dev lintian git
)

# What scripts/package --deb needs besides: the Debian package's build (debian/control's
# Build-Depends are among required_packages) and its autopkgtest.
debian_package_packages=(debhelper autopkgtest xdotool)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# QtWebEngine refuses to start as root with its sandbox on. Only these scripts switch it off,
# and only for root; the program itself never does.
allow_webengine_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        export QTWEBENGINE_DISABLE_SANDBOX=1
    fi
}

# configure_and_build <build dir> <build type> [extra cmake args...]
configure_and_build() {
    local dir="$1" type="$2"
    shift 2
    cmake -S "$repo_root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
}
