# Shared by the scripts: installs what the build needs on a Debian machine, builds, keeps the clone
# its owner's, and stops at once on Ctrl-C.

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
            echo "zem: give it back to $owner, then run this again:" >&2
        else
            echo "zem: ${#stray[@]} files in $ZEM_ROOT are not $owner's (left by an earlier sudo?), such as ${stray[0]}" >&2
            echo "zem: give them back to $owner, then run this again:" >&2
        fi
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

# Ctrl-C stops a script at once, wherever it is. A script that calls zem_stop_on_signals runs its
# long commands with zem_run: each in a session of its own, waited for with `wait`, which a signal
# cuts short (a command in the foreground would hold the script's trap back until it ended). An
# INT, TERM or HUP to the script then goes on to that whole session, which a terminal would not
# reach; the script waits for it to end, says its last word (its zem_on_signal, where it has one)
# and ends by the same signal, as a caller expects of a Ctrl-C.
ZEM_CHILD='' ZEM_STDERR=''

zem_stop_on_signals() {
    local sig
    for sig in INT TERM HUP; do
        # shellcheck disable=SC2064
        trap "zem_stopped $sig" "$sig"
    done
}

# zem_run [--output FILE] COMMAND...: runs COMMAND in a session of its own (its output to FILE) and
# returns its status; whatever it left running in that session ends with it.
zem_run() {
    local output=/dev/stdout
    if [ "$1" = --output ]; then output=$2; shift 2; fi
    # Started as a command in the foreground would be: with INT and QUIT as the terminal would find
    # them, and the script's input (bash may start a background command with those ignored and its
    # input from /dev/null).
    if [ "$output" = /dev/stdout ]; then
        ( trap - INT QUIT; exec setsid "$@" ) <&0 &
    else
        ( trap - INT QUIT; exec setsid "$@" ) <&0 >"$output" 2>&1 &
    fi
    ZEM_CHILD=$!
    local status=0
    # Bash's note of a child killed by a signal stays out of the output; a trap that cuts the wait
    # short runs inside this redirection, so zem_stopped takes the script's stderr back from ZEM_STDERR.
    exec {ZEM_STDERR}>&2
    wait "$ZEM_CHILD" 2>/dev/null || status=$?
    exec {ZEM_STDERR}>&-
    ZEM_STDERR=
    zem_end_group "$ZEM_CHILD"
    ZEM_CHILD=
    return "$status"
}

# Sends signal $1 to the session zem_run started, waits for it, and ends whatever outlived it.
zem_end_child() {
    [ -n "$ZEM_CHILD" ] || return 0
    kill -s "$1" -- "-$ZEM_CHILD" 2>/dev/null || true
    wait "$ZEM_CHILD" 2>/dev/null || true
    zem_end_group "$ZEM_CHILD"
    ZEM_CHILD=
}

# Ends what is left of process group $1: TERM, then KILL a second later. The tests' program takes a
# signal as the operator's close, which may wait ten seconds for a device that does not read.
zem_end_group() {
    kill -s TERM -- "-$1" 2>/dev/null || return 0
    local _
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        sleep 0.1
        kill -0 -- "-$1" 2>/dev/null || return 0
    done
    kill -s KILL -- "-$1" 2>/dev/null || true
}

zem_stopped() {
    trap '' INT TERM HUP
    if [ -n "${ZEM_STDERR:-}" ]; then exec 2>&"$ZEM_STDERR"; fi
    if declare -F zem_on_signal >/dev/null; then zem_on_signal "$1" || true; fi
    zem_end_child "$1"
    trap - "$1"
    kill -s "$1" "$$"
    # Where the signal was ignored when the script started, and so cannot end it.
    exit $((128 + $(kill -l "$1")))
}

# The Windows stage (scripts/test-windows): Qt for Windows built from Debian's source with the
# mingw-w64 posix compilers, Wine to run the program and its stories, socat for their cables, and
# Xvfb and xdotool for the unpacked zip's window.
ZEM_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix dpkg-dev xz-utils perl wine wine64 socat xvfb xauth xdotool xclip)
ZEM_WINDOWS_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/zem-windows
