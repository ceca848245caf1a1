#!/usr/bin/env bash
# Builds Lumacurve in ./build and runs its main job. On a fresh Debian 12 machine it first installs the
# packages the build needs (as root, or through sudo for a normal user). Arguments replace the example
# arguments of the main job, e.g.  ./run.sh eval --degrees --set x=30 -- 'sin x'
set -euo pipefail
cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")"
# shellcheck source=.ci/common.sh
source .ci/common.sh

# The main job and its example arguments. The first word names the program; its file name is also the
# build target. The desktop program opens an example document shipped in the repository.
EXAMPLE_DOCUMENT=$PWD/resources/examples/Trigonometry.lcv
EXAMPLE_PICTURE=${LUMACURVE_EXAMPLE:-$PWD/example.png}
MAIN_JOB=(build/src/lumacurve "$EXAMPLE_DOCUMENT")

program=${MAIN_JOB[0]}
target=$(basename "$program")

lumacurve_install_missing "${LUMACURVE_PACKAGES[@]}"
lumacurve_configure build "${LUMACURVE_MAIN_CONFIG[@]}"
if ! lumacurve_has_target build "$target"; then
    lumacurve_die "$program is missing: the build defines no target '$target' yet (its sources are not written)"
fi
lumacurve_build build "$target"
[[ -x $program ]] || lumacurve_die "$program is missing after the build"

if (($# > 0)); then
    exec "$program" "$@"
fi
if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
    exec "${MAIN_JOB[@]}"
fi
# No display: the window is drawn off screen and saved as a picture.
status=0
QT_QPA_PLATFORM=offscreen "${MAIN_JOB[0]}" --screenshot "$EXAMPLE_PICTURE" "${MAIN_JOB[@]:1}" || status=$?
if ((status == 0)) && [[ -s $EXAMPLE_PICTURE ]]; then
    echo "There is no display here, so Lumacurve drew its window off screen: the picture is in $EXAMPLE_PICTURE"
    echo "On a desktop, ./run.sh opens the window; ./run.sh FILE.lcv opens a document."
fi
exit "$status"
