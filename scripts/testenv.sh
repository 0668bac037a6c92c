# Sourced by scripts/test.sh (and by hand before running one test binary):
# the environment every test runs in. $build must be set to the build folder.
: "${build:?build must be set}"
_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Tests never touch the real home or config folder.
BARQUILL_TEST_SANDBOX="${BARQUILL_TEST_SANDBOX:-$(mktemp -d /tmp/barquill-test-home.XXXXXX)}"
export BARQUILL_TEST_SANDBOX
export HOME="$BARQUILL_TEST_SANDBOX/home" XDG_CONFIG_HOME="$BARQUILL_TEST_SANDBOX/config" \
    XDG_DATA_HOME="$BARQUILL_TEST_SANDBOX/data" XDG_CACHE_HOME="$BARQUILL_TEST_SANDBOX/cache" \
    XDG_RUNTIME_DIR="$BARQUILL_TEST_SANDBOX/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export BARQUILL_FIXTURE_DIR="$build/fixtures"
mkdir -p "$BARQUILL_FIXTURE_DIR"
export QT_QPA_PLATFORM=offscreen
# Leaks inside ALSA's dlopen'ed plugins are only recognised with full unwinding.
export ASAN_OPTIONS="fast_unwind_on_malloc=0:allocator_may_return_null=1:detect_leaks=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$_root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Keep PortAudio from trying to start a JACK server.
export JACK_NO_START_SERVER=1
