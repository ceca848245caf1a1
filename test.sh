#!/usr/bin/env bash
# Builds Lumacurve and runs every check CI runs, in three stages:
#   1. ./build       RelWithDebInfo with warnings as errors; every test through ctest; then the Debian
#                    package (cpack -G DEB), checked without installing it (.ci/check-package.sh)
#   2. ./build-asan  the test programs again under AddressSanitizer and UndefinedBehaviorSanitizer
#   2b. ./build-tsan the plotting, entry and graph window tests under ThreadSanitizer (curves are computed
#                    on worker threads; Qt's own internals are suppressed in tsan.supp)
#   3. ./build-fuzz  each libFuzzer target for LUMACURVE_FUZZ_SECONDS (40) seconds on fuzz/corpus/<target>/,
#                    when fuzz/CMakeLists.txt exists and clang-14 is installed
# Installs missing Debian packages first (as root, or through sudo for a normal user). Tests run inside
# their own session bus when dbus-run-session is there. Exits non-zero when any stage fails; the last line
# is "N passed, N failed" summed over all ctest runs.
set -euo pipefail
cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")"
# shellcheck source=.ci/common.sh
source .ci/common.sh

# Eleven targets, as many at a time as there are cores: on two cores six rounds of 40 s keep the stage
# within the four minutes it had with eight targets.
FUZZ_SECONDS=${LUMACURVE_FUZZ_SECONDS:-40}
# A test that hangs should fail the run, not hold CI until its own time-out.
TEST_TIMEOUT=300

total_passed=0
total_failed=0
failed_stages=()
stage=setup

# Always ends the output with the stages that failed and the combined count, whatever stopped the script.
finish()
{
    local status=$?
    if ((status != 0)) && [[ ! " ${failed_stages[*]} " == *" $stage "* ]]; then
        failed_stages+=("$stage")
    fi
    echo
    if ((${#failed_stages[@]} > 0)); then
        echo "test.sh: FAILED: ${failed_stages[*]}"
        status=1
    else
        echo "test.sh: all stages passed"
    fi
    echo "$total_passed passed, $total_failed failed"
    exit "$status"
}
trap finish EXIT

stage_failed()
{
    failed_stages+=("$1")
}

# Runs ctest in build directory $1 (inside a private session bus when possible), shows its output and adds
# its summary line "N% tests passed, F tests failed out of T" to the totals. Returns non-zero on failure.
run_ctest()
{
    local dir=$1 log=$1/ctest.log status=0
    local command=(ctest --test-dir "$dir" --output-on-failure --parallel "$LUMACURVE_JOBS" --timeout "$TEST_TIMEOUT")
    if command -v dbus-run-session >/dev/null 2>&1; then
        command=(dbus-run-session -- "${command[@]}")
    fi
    "${command[@]}" 2>&1 | tee "$log" || status=$?

    local summary
    summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
    if [[ $summary =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
        local failed=${BASH_REMATCH[1]} total=${BASH_REMATCH[2]}
        total_failed=$((total_failed + failed))
        total_passed=$((total_passed + total - failed))
    elif ! grep -q 'No tests were found' "$log"; then
        echo "test.sh: ctest in $dir ended without a summary"
        status=1
    fi
    return "$status"
}

# Prints the fuzz executables defined in build directory $1: the linked programs of the fuzz/ folder.
fuzz_targets()
{
    ninja -C "$1" -t targets all | sed -nE 's#^fuzz/([^/:]+): [A-Z]+_EXECUTABLE_LINKER__.*#\1#p' | sort -u
}

# Runs fuzz target $2 of build directory $1 for FUZZ_SECONDS. New inputs go to a scratch corpus in the
# build directory; fuzz/corpus/<target>/ only seeds it, so fuzzing never writes into the source tree.
run_fuzzer()
{
    local dir=$1 target=$2
    local scratch=$dir/corpus/$target artifacts=$dir/artifacts/$target
    mkdir -p "$scratch" "$artifacts"
    local corpora=("$scratch")
    local seed
    for seed in "fuzz/corpus/$target" "fuzz/corpus/${target#fuzz_}"; do
        if [[ -d $seed ]]; then
            corpora+=("$seed")
            break
        fi
    done
    local options=(-max_total_time="$FUZZ_SECONDS" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1
                   -artifact_prefix="$artifacts/")
    [[ -f fuzz/$target.dict ]] && options+=(-dict="fuzz/$target.dict")
    # An older binary document is small: none may take a second to open.
    [[ $target == fuzz_legacy ]] && options+=(-timeout=1)
    "$dir/fuzz/$target" "${options[@]}" "${corpora[@]}"
}

# --- setup -----------------------------------------------------------------------------------------
packages=("${LUMACURVE_PACKAGES[@]}")
[[ -f fuzz/CMakeLists.txt ]] && packages+=("${LUMACURVE_FUZZ_PACKAGES[@]}")
lumacurve_install_missing "${packages[@]}"

# --- stage 1: the release build and every test ----------------------------------------------------
stage=build
lumacurve_say "stage 1: build in ./build (RelWithDebInfo, warnings are errors)"
lumacurve_configure build "${LUMACURVE_MAIN_CONFIG[@]}"
# Sanitizing and fuzzing the same sources again would only repeat the compile errors, at length.
lumacurve_build build

stage=tests
lumacurve_say "stage 1: tests"
run_ctest build || stage_failed tests

stage=package
lumacurve_say "stage 1: the Debian package, made by cpack and checked without installing it"
rm -f build/lumacurve_*.deb
if (cd build && cpack -G DEB >cpack.log 2>&1); then
    .ci/check-package.sh build || stage_failed package
else
    cat build/cpack.log
    stage_failed package
fi

# --- stage 2: the test programs under the sanitizers -----------------------------------------------
stage=asan
lumacurve_say "stage 2: tests under AddressSanitizer and UndefinedBehaviorSanitizer in ./build-asan"
if lumacurve_configure build-asan -DCMAKE_BUILD_TYPE=Debug -DLUMACURVE_SANITIZE=ON \
    && lumacurve_build build-asan lumacurve_tests; then
    UBSAN_OPTIONS=print_stacktrace=1 run_ctest build-asan || stage_failed asan-tests
else
    stage_failed asan-build
fi

# --- stage 2b: the tests of the curve workers under ThreadSanitizer ----------------------------------
stage_tsan()
{
    stage=tsan
    lumacurve_say "stage 2b: plotting and window tests under ThreadSanitizer in ./build-tsan"
    # Only the test programs of the folders whose code runs on workers; the configuration leaves the
    # others out, so the whole test list of ./build-tsan is the selection.
    local targets=(test_plot test_entry test_graphwindow)
    if lumacurve_configure build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMACURVE_TSAN=ON \
        && lumacurve_build build-tsan "${targets[@]}"; then
        TSAN_OPTIONS="suppressions=$PWD/tsan.supp halt_on_error=1 second_deadlock_stack=1" \
            run_ctest build-tsan || stage_failed tsan-tests
    else
        stage_failed tsan-build
    fi
}
stage_tsan

# --- stage 3: fuzzing -------------------------------------------------------------------------------
stage=fuzz
if [[ ! -f fuzz/CMakeLists.txt ]]; then
    lumacurve_say "stage 3: fuzzing skipped (fuzz/CMakeLists.txt does not exist yet)"
elif ! command -v clang++-14 >/dev/null 2>&1; then
    lumacurve_say "stage 3: fuzzing skipped (clang-14 is not installed)"
else
    lumacurve_say "stage 3: fuzzing in ./build-fuzz, ${FUZZ_SECONDS}s per target"
    targets=()
    if lumacurve_configure build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
        -DCMAKE_C_COMPILER=clang-14 -DLUMACURVE_FUZZ=ON -DLUMACURVE_TESTS=OFF; then
        mapfile -t targets < <(fuzz_targets build-fuzz)
    fi
    if ((${#targets[@]} == 0)); then
        echo "test.sh: build-fuzz could not be configured or defines no fuzz targets"
        stage_failed fuzz-build
    elif ! lumacurve_build build-fuzz "${targets[@]}"; then
        stage_failed fuzz-build
    else
        # As many fuzzers at a time as there are cores; each one's log is shown when it ends.
        export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} UBSAN_OPTIONS=print_stacktrace=1
        mkdir -p build-fuzz/logs
        for ((first = 0; first < ${#targets[@]}; first += LUMACURVE_JOBS)); do
            batch=("${targets[@]:first:LUMACURVE_JOBS}")
            pids=()
            for target in "${batch[@]}"; do
                run_fuzzer build-fuzz "$target" >"build-fuzz/logs/$target.log" 2>&1 &
                pids+=($!)
            done
            for index in "${!batch[@]}"; do
                target=${batch[index]}
                if wait "${pids[index]}"; then
                    echo "fuzz $target: no failure in ${FUZZ_SECONDS}s"
                    grep -E '^stat::(number_of_executed_units|new_units_added):' \
                        "build-fuzz/logs/$target.log" | sed 's/^/    /' || true
                else
                    echo "fuzz $target: FAILED (inputs kept in build-fuzz/artifacts/$target/)"
                    tail -n 60 "build-fuzz/logs/$target.log"
                    stage_failed "fuzz:$target"
                fi
            done
        done
    fi
fi

stage=finished
