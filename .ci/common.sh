# Shell functions shared by run.sh and test.sh: the Debian packages the build needs, installing the
# missing ones, and configuring and building a CMake tree. Sourced, never run on its own.
# The variables below are read by the scripts that source this file.
# shellcheck shell=bash disable=SC2034

# What every build needs on a fresh Debian 12 machine. The build configures the tests too, so GoogleTest
# and Google Benchmark belong here even for run.sh. The fonts are the faces the program resolves the
# families documents name to, so layout does not depend on the fonts other packages install; locales
# holds the sources from which the tests make a decimal-comma locale. The last group makes and checks the
# Debian package: dpkg-shlibdeps (dpkg-dev) and file find its library dependencies, the validators and groff
# check its metadata and manual pages. gdbus (libglib2.0-bin) calls the automation service in its tests.
LUMACURVE_PACKAGES=(
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 dbus-daemon libglib2.0-bin
    cmake ninja-build g++ libgtest-dev libbenchmark-dev ccache fonts-dejavu-core fonts-liberation2
    poppler-utils locales
    dpkg-dev file appstream desktop-file-utils groff-base
)
# Only the fuzz stage of test.sh needs these, and only once fuzz/ has targets.
LUMACURVE_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

# Every build in ./build uses the same options, so run.sh and test.sh never undo each other's
# configuration (a change of flags would recompile everything).
LUMACURVE_MAIN_CONFIG=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMACURVE_WERROR=ON)

LUMACURVE_JOBS=$(nproc 2>/dev/null || echo 2)

lumacurve_say()
{
    printf '==> %s\n' "$*"
}

lumacurve_die()
{
    printf 'error: %s\n' "$*" >&2
    exit 1
}

# Runs a command as root: directly when we are root, through sudo otherwise.
lumacurve_as_root()
{
    if [[ $(id -u) -eq 0 ]]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        lumacurve_die "need root or sudo to run: $*"
    fi
}

# True when the Debian package is installed (for every architecture it is known under).
lumacurve_installed()
{
    dpkg-query -W -f='${db:Status-Status}\n' "$1" 2>/dev/null | grep -qx installed
}

# Installs the named packages that are not installed yet; does nothing (and touches no network) when all
# are there. The package index is refreshed once per script run, and only when something is missing.
lumacurve_install_missing()
{
    if ! command -v dpkg-query >/dev/null 2>&1; then
        lumacurve_say "not a Debian system: make sure these are installed: $*"
        return 0
    fi
    local missing=() package
    for package in "$@"; do
        lumacurve_installed "$package" || missing+=("$package")
    done
    ((${#missing[@]} == 0)) && return 0

    if [[ $(id -u) -ne 0 ]] && ! command -v sudo >/dev/null 2>&1; then
        lumacurve_die "missing packages: ${missing[*]}; run this script as root, or install them with" \
            "'apt-get install --no-install-recommends ${missing[*]}'"
    fi
    lumacurve_say "installing ${missing[*]}"
    if [[ -z ${LUMACURVE_APT_UPDATED:-} ]]; then
        lumacurve_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
        LUMACURVE_APT_UPDATED=1
    fi
    lumacurve_as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Configures build directory $1 with Ninja and the CMake options that follow. Re-running it on a
# configured tree takes a fraction of a second and changes nothing when the options are the same.
lumacurve_configure()
{
    local dir=$1
    shift
    # A tree made by another generator cannot be switched to Ninja in place.
    if [[ -f $dir/CMakeCache.txt ]] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$dir/CMakeCache.txt"; then
        lumacurve_say "$dir was configured with another generator: starting it afresh"
        rm -rf "$dir"
    fi
    # Its chatter only matters when it fails.
    local log status=0
    log=$(mktemp)
    cmake -S . -B "$dir" -G Ninja "$@" >"$log" 2>&1 || status=$?
    ((status == 0)) || cat "$log" >&2
    rm -f "$log"
    return "$status"
}

# True when build directory $1 defines the target $2.
lumacurve_has_target()
{
    ninja -C "$1" -t query "$2" >/dev/null 2>&1
}

# Builds the given targets (all when none are named) in build directory $1.
lumacurve_build()
{
    local dir=$1
    shift
    local targets=()
    (($# > 0)) && targets=(--target "$@")
    cmake --build "$dir" --parallel "$LUMACURVE_JOBS" "${targets[@]}"
}
