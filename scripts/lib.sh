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
        echo "    sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
    echo "zem: installing ${#missing[@]} packages with apt-get (a minute or two): ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    echo "zem: reading the package lists"
    apt-get update -q >/dev/null
    # One line a package as it is set up, so that a long install shows it is moving.
    apt-get install -y -q --no-install-recommends "${missing[@]}" |
        awk '/^Setting up / { print "zem:   " $3; fflush() }'
}

# Under sudo in a user's clone, the build is the user's: a root-owned file in the clone would stop
# their next run. Re-runs the calling script as the clone's owner once the packages are in; run as
# that owner, stops at anything in the clone that another account (root, by an earlier sudo) owns.
zem_build_as_owner() {
    local owner group
    owner=$(stat -c %U "$ZEM_ROOT")
    group=$(stat -c %G "$ZEM_ROOT")
    if [ "$(id -u)" -eq 0 ] && [ "$owner" != root ] && [ -z "${ZEM_AS_OWNER:-}" ]; then
        echo "zem: building as $owner, who owns $ZEM_ROOT"
        exec runuser -u "$owner" -- env ZEM_AS_OWNER=1 "$@"
    fi
    # Root may write anything; its owner needs every file in the clone to be theirs.
    [ "$(id -u)" -ne 0 ] || return 0
    local stray
    mapfile -t stray < <(find "$ZEM_ROOT" ! -user "$owner" 2>/dev/null)
    if [ ${#stray[@]} -gt 0 ]; then
        if [ ${#stray[@]} -eq 1 ]; then
            echo "zem: ${stray[0]} is not $owner's (left by an earlier sudo?)" >&2
        else
            echo "zem: ${#stray[@]} files in $ZEM_ROOT are not $owner's (left by an earlier sudo?), such as ${stray[0]}" >&2
        fi
        echo "zem: give them back to $owner, then run this again:" >&2
        printf '    sudo chown -R %s %q\n' "$owner:$group" "$ZEM_ROOT" >&2
        exit 1
    fi
    if [ "$(id -un)" != "$owner" ] && [ ! -w "$ZEM_ROOT" ]; then
        echo "zem: $ZEM_ROOT is $owner's; run this as $owner, or in a clone of your own" >&2
        exit 1
    fi
}

# With what `cpack -G DEB` needs to write a package that names its libraries (dpkg-dev, file).
ZEM_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-l10n-tools qt6-qpa-plugins
                    libqt6svg6 fonts-dejavu-core dpkg-dev file)
# The tests also fuzz with clang, run clang-tidy, check the desktop files and the package, and run
# their stories in a QEMU guest on real serial drivers (scripts/guest).
ZEM_TEST_PACKAGES=(clang libclang-rt-14-dev clang-tidy desktop-file-utils appstream lintian
                   qemu-system-x86 busybox-static cpio kmod socat xz-utils)

# Configures and builds one tree: zem_build DIR [cmake options...]
zem_build() {
    local dir=$1
    shift
    cmake -S "${ZEM_SOURCE:-$ZEM_ROOT}" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir"
}
