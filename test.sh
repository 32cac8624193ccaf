#!/usr/bin/env bash
# Builds every target with AddressSanitizer and UndefinedBehaviorSanitizer and runs all tests.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh test

# Every source file as the repository's .clang-format lays it out.
find app bench cli imaging platform tests tools -name '*.cpp' -o -name '*.h' |
  xargs clang-format --dry-run --Werror

build=build-asan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g" \
  -DQM_SANITIZE=ON -DQM_WERROR=ON -DQM_BUILD_TESTS=ON -DQM_BUILD_GUI=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
# The tests that start threads once more under ThreadSanitizer, in a build of their own.
tsan=build-tsan
cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g" \
  -DQM_SANITIZE_THREAD=ON -DQM_WERROR=ON -DQM_BUILD_TESTS=ON -DQM_BUILD_GUI=OFF >/dev/null
cmake --build "$tsan" -j "$(nproc)" --target test_imaging_io_async test_app_batch
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 "$tsan/tests/test_imaging_io_async"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 "$tsan/tests/test_app_batch" \
  --gtest_filter='ParallelConverterTest.*:WindowRunTest.*'

# The fuzzers run first so that CTest's summary is the last thing printed.
tests/fuzz/run.sh

ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 900
