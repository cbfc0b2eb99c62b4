#!/usr/bin/env bash
# Installs what is missing, builds, and runs a check:
#   ./test.sh             the whole suite (build/)
#   ./test.sh --sanitize  the whole suite again, built with clang under AddressSanitizer,
#                         LeakSanitizer and UBSan (build-sanitize/)
#   ./test.sh --fuzz      every fuzz target for VELMAR_FUZZ_SECONDS (30) from its seeds in
#                         tests/fuzz/corpus/ (build-fuzz/)
cd "$(dirname "$0")"
source ./tools_common.sh

suite() {
    cd "${VELMAR_BUILD_DIR:-build}"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 600
}

sanitize() {
    velmar_install "${VELMAR_CLANG_PACKAGES[@]}" "${VELMAR_TEST_PACKAGES[@]}"
    export VELMAR_BUILD_DIR="${VELMAR_BUILD_DIR:-build-sanitize}"
    # -O1 with line tables only: the sanitizers' usual build, and quicker to make than -O2 -g.
    velmar_build -DCMAKE_CXX_COMPILER="$(velmar_clang)" -DVELMAR_SANITIZE=ON -DVELMAR_BENCHMARKS=OFF \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG"
    # Every finding ends the test it happens in; leaks are looked for at every exit. Full
    # allocation stacks (through Qt, which has no frame pointers) let a suppression name a test.
    export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    export LSAN_OPTIONS="suppressions=$PWD/tests/sanitize/lsan.supp:print_suppressions=0"
    suite
}

fuzz() {
    velmar_install "${VELMAR_CLANG_PACKAGES[@]}"
    local dir="${VELMAR_BUILD_DIR:-build-fuzz}" seconds="${VELMAR_FUZZ_SECONDS:-30}"
    VELMAR_BUILD_DIR="$dir" VELMAR_BUILD_TARGET=velmar_fuzz velmar_build \
        -DCMAKE_CXX_COMPILER="$(velmar_clang)" -DVELMAR_FUZZ=ON -DVELMAR_BENCHMARKS=OFF \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG"
    export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:quarantine_size_mb=64"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    mkdir -p "$dir/fuzz-corpus" "$dir/fuzz-artifacts" "$dir/fuzz-logs"
    # One target per core at a time; each runs for its time from the seeds in the repository
    # and the inputs it found in earlier runs (kept in the build folder).
    local names=() failed=0 name
    for seeds in tests/fuzz/corpus/*/; do
        name="$(basename "$seeds")"
        if [ ! -x "$dir/bin/fuzz_$name" ]; then
            echo "no fuzz target for the seeds in $seeds" >&2
            return 1
        fi
        mkdir -p "$dir/fuzz-corpus/$name"
        while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do sleep 1; done
        echo "fuzz_$name: ${seconds} s"
        (
            rc=0
            "$dir/bin/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
                -artifact_prefix="$dir/fuzz-artifacts/$name-" "$dir/fuzz-corpus/$name" "$seeds" \
                >"$dir/fuzz-logs/$name.log" 2>&1 || rc=$?
            echo "$rc" >"$dir/fuzz-logs/$name.rc"
        ) &
        names+=("$name")
    done
    wait
    for name in "${names[@]}"; do
        local log="$dir/fuzz-logs/$name.log"
        if [ "$(cat "$dir/fuzz-logs/$name.rc")" = 0 ]; then
            echo "fuzz_$name: $(grep -o 'number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$') runs, no finding"
        else
            failed=1
            echo "fuzz_$name FAILED (the input is kept in $dir/fuzz-artifacts/):" >&2
            tail -n 60 "$log" >&2
        fi
    done
    return $failed
}

case "${1:-}" in
"")
    velmar_install "${VELMAR_PACKAGE_CHECKS[@]}" "${VELMAR_TEST_PACKAGES[@]}"
    velmar_build
    suite
    ;;
--sanitize) sanitize ;;
--fuzz) fuzz ;;
*)
    sed -n '2,7p' "$0" >&2
    exit 2
    ;;
esac
