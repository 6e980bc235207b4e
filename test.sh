#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. the engine's tests again under AddressSanitizer + UBSan,
#   2. each libFuzzer target for a short bounded time (clang),
#   3. the whole suite (CTest), whose summary ends the output.
# FUZZ_SECONDS sets the time per fuzz target (default 20).
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD
jobs=${JOBS:-$(nproc)}
fuzz_seconds=${FUZZ_SECONDS:-20}

./scripts/install-deps.sh

# Rebuilds of an unchanged tree (CI after a developer's run on the same
# machine) come from the compiler cache; paths are hashed relative to here.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR=$root
fi

step() { printf '\n== %s\n' "$*"; }

step "sanitizer build (engine tests under ASan + UBSan)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQP_SANITIZE=ON \
  -DQP_DESKTOP=OFF -DQP_BENCH=OFF >/dev/null
ninja -C build-asan -j "$jobs" >build-asan/build.log 2>&1 || { tail -50 build-asan/build.log; exit 1; }
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j "$jobs" --output-on-failure -LE 'gui|interop' >build-asan/ctest.log 2>&1 \
  || { grep -E 'Failed|\*\*\*|tests passed' build-asan/ctest.log | tail -40; exit 1; }
tail -n 3 build-asan/ctest.log

step "fuzz targets (${fuzz_seconds}s each)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQP_FUZZ=ON -DQP_BENCH=OFF -DBUILD_TESTING=ON >/dev/null
fuzz_targets=$(ninja -C build-fuzz -t targets all | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): .*/\1/p' \
  | grep -v '_autogen' | sort -u)
if [ -n "$fuzz_targets" ]; then
  ninja -C build-fuzz -j "$jobs" $fuzz_targets >build-fuzz/build.log 2>&1 || { tail -50 build-fuzz/build.log; exit 1; }
  for target in $fuzz_targets; do
    name=${target#fuzz_}
    work=build-fuzz/corpus-$name
    mkdir -p "$work"
    seeds=tests/fuzz/corpus/$name
    [ -d "$seeds" ] || seeds=
    if ! QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 "build-fuzz/$(find build-fuzz -name "$target" -type f -printf '%P\n' | head -1)" \
        -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -artifact_prefix="build-fuzz/$name-" \
        "$work" $seeds >"build-fuzz/$name.log" 2>&1; then
      tail -40 "build-fuzz/$name.log"
      echo "fuzz target $name found a failure (see build-fuzz/$name-*)"
      exit 1
    fi
    echo "$target: $(grep -Eo 'Done [0-9]+ runs' "build-fuzz/$name.log" | tail -1), no findings"
  done
fi

step "build and full test suite"
cmake -S . -B build -G Ninja >/dev/null
ninja -C build -j "$jobs" >build/build.log 2>&1 || { tail -80 build/build.log; exit 1; }
ctest --test-dir build -j "$jobs" --output-on-failure
