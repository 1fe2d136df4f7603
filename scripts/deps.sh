# Sourced by scripts/run and scripts/test: installs the Debian packages the build needs.

VS_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev qt6-image-formats-plugins libgl-dev ccache
    libraw-dev libexiv2-dev libsqlite3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # An end-to-end test runs the application under a real X server and window manager, clicking
    # and looking with the X tools.
    xvfb openbox xdotool x11-utils
)

vs_install_deps() {
    local missing=()
    local pkg
    for pkg in "${VS_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

    # A name dpkg never reports installed (a virtual package) would make every later run install
    # again: refuse it here rather than at the next run.
    local unreported=()
    for pkg in "${missing[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            unreported+=("$pkg")
        fi
    done
    if [ ${#unreported[@]} -ne 0 ]; then
        echo "Error: dpkg does not report these packages installed after apt-get: ${unreported[*]}" >&2
        echo "List real package names in scripts/deps.sh (not virtual ones)." >&2
        return 1
    fi
}
