#!/usr/bin/env bash
# Builds Lumacurve in ./build and runs its main job. On a fresh Debian 12 machine it first installs the
# packages the build needs (as root, or through sudo for a normal user). Arguments replace the example
# arguments of the main job, e.g.  ./run.sh eval --degrees --set x=30 -- 'sin x'
set -euo pipefail
cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")"
# shellcheck source=.ci/common.sh
source .ci/common.sh

# The main job and its example arguments. The first word names the program; its file name is also the
# build target. When the desktop program exists this becomes its line, e.g. MAIN_JOB=(build/src/app/lumacurve).
# Until then the command-line tool draws an example graph.
EXAMPLE_PICTURE=${LUMACURVE_EXAMPLE:-$PWD/example.png}
MAIN_JOB=(build/tools/lcvtool render --radians -o "$EXAMPLE_PICTURE" --
          'y=sin x' 'y=x{^{2}-3' 'x{^{2}+y{^{2}=4' 'y<{/{1}{2}x' 'r={q' 'k=2' 'y=k{sqrt{x+1}')

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
status=0
"${MAIN_JOB[@]}" || status=$?
if [[ -s $EXAMPLE_PICTURE ]]; then
    echo "The example graph is in $EXAMPLE_PICTURE"
fi
exit "$status"
