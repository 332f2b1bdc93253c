# Shared by the run and test commands: installs what the build needs on a Debian machine.

ZEM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the named Debian packages that are missing: with apt-get when run as root, otherwise
# prints the exact command and stops.
zem_require_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "zem: these packages are missing: ${missing[*]}" >&2
        echo "zem: install them as root, then run this again:" >&2
        echo "    apt-get update && apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "zem: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null
    apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

ZEM_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-l10n-tools qt6-qpa-plugins
                    libqt6svg6 fonts-dejavu-core)
# The tests also fuzz with clang, run clang-tidy, and check the desktop files and the package.
ZEM_TEST_PACKAGES=(clang libclang-rt-14-dev clang-tidy desktop-file-utils appstream dpkg-dev file lintian)

# Configures and builds one tree: zem_build DIR [cmake options...]
zem_build() {
    local dir=$1
    shift
    cmake -S "${ZEM_SOURCE:-$ZEM_ROOT}" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir"
}
