#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
#   ./test.sh             the normal build, in build/
#   ./test.sh --sanitize  the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
#                         in build-sanitize/, plus the bounded fuzz run of the archive plug-in
set -euo pipefail
root="$(cd "$(dirname "$(readlink -f "$0")")" && pwd)"
cd "$root"
source tools/ensure-packages.sh
tolva_ensure_packages

sanitize=OFF
build=build
case "${1:-}" in
  "") ;;
  --sanitize) sanitize=ON; build=build-sanitize ;;
  *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
esac

jobs=$(nproc)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVA_SANITIZE=$sanitize >/dev/null
cmake --build "$build" -j "$jobs"

export ALSOFT_DRIVERS=null
export PYTHONDONTWRITEBYTECODE=1
if [ "$sanitize" = ON ]; then
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_init_order=1:allocator_may_return_null=1:max_allocation_size_mb=1024"
  export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$root/tests/ubsan.supp"
fi

ctest_command=(ctest --test-dir "$build" --output-on-failure -j "$jobs")

# Window tests need an X server: use the one we have, or one Xvfb for the whole run. The server
# must not reset whenever its last client leaves: a window test starting in that moment finds no
# display.
if [ -n "${DISPLAY:-}" ]; then
  "${ctest_command[@]}"
else
  xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX -noreset" "${ctest_command[@]}"
fi

if [ "$sanitize" = ON ] && [ -x tests/plugins/run-fuzz.sh ]; then
  tests/plugins/run-fuzz.sh "$build"
fi
