#!/usr/bin/env bash
# Installs what is missing, builds from scratch with ASan and UBSan, and runs every test;
# then runs the test binaries of the threaded layers under ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build="$root/build/test"
rm -rf "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRQX_SANITIZE=ON -DTRQX_BENCH=OFF
cmake --build "$build" -j2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j2

# The test binaries whose code shares locks across threads. Debug: at -O0 these few targets
# build faster than optimised ones, and the tests run for seconds either way.
tsan_tests=(foundation_sys_tests foundation_protocol_tests server_tests console_send_tests client_tests
  console_client_tests)
tsan_build="$root/build/tsan"
rm -rf "$tsan_build"
# It is also the console-only build: without Qt, the programs must build all the same.
cmake -S "$root" -B "$tsan_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRQX_TSAN=ON -DTRQX_BENCH=OFF \
  -DTRQX_GUI=OFF
cmake --build "$tsan_build" -j2 --target "${tsan_tests[@]}" TRQXClient VEXOServer TRQXDownLoad \
  TRQXConvert TRQXSend
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
for binary in "${tsan_tests[@]}"; do
  # Run from where ctest would run it; any report ends the binary with a failing code.
  if ! (cd "$tsan_build/tests" && "./$binary"); then
    echo "test.sh: $binary failed under ThreadSanitizer (report above)" >&2
    exit 1
  fi
done
echo "test.sh: ThreadSanitizer pass clean: ${tsan_tests[*]}"
