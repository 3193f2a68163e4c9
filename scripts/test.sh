#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: native, sanitized
# (AddressSanitizer + UndefinedBehaviorSanitizer), cross-built under Wine,
# the peers (tgt, a local HTTP server) and short fuzz runs. Stops what it
# started. Exit code 0 only when everything passed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup-deps.sh"

failed=()
section() { echo; echo "== $* ($(date +%H:%M:%S))"; }
cleanup() {
  [[ -x $ROOT/scripts/tgt-peer.sh ]] && "$ROOT/scripts/tgt-peer.sh" stop >/dev/null 2>&1 || true
  stop_started
}
trap cleanup EXIT

# The peers (tgt, the local HTTP service) are started and stopped by the
# test fixtures of each tree; the clean-up below catches a run cut short.

run_tree() {  # name dir [cmake args]
  local name=$1 dir=$2
  shift 2
  section "$name: build"
  configure_tree "$dir" "$@"
  # The tgt peer's ports (TW_TGT_PORT to TW_TGT_PORT+2), so that runs side
  # by side do not meet.
  cmake "$dir" -DTW_TGT_PORT="${TW_TGT_PORT:-13260}" >/dev/null
  if ! cmake --build "$dir" -j "$JOBS"; then
    failed+=("$name build")
    return
  fi
  section "$name: tests"
  (cd "$dir" && ctest -j "$JOBS" --output-on-failure -LE fuzz --timeout 300) || failed+=("$name tests")
}

section "layers"
# Includes point down: the ports and the simulated machine use nothing of
# the core (the driver contracts live in contracts/, below both), and the
# portable core never includes <windows.h>. Tests may reach up.
if grep -rnE '#include "(product|storagebus|shares|devices|iscsi|cloud|shellext|ui|framework|app)/' "$ROOT/platform" "$ROOT/contracts" \
    --include='*.cpp' --include='*.h' | grep -vE '_test\.cpp:|/testing/'; then
  failed+=("layers: platform includes the core")
fi
if grep -rnE '#include "devices/' "$ROOT/iscsi" --include='*.cpp' --include='*.h' | grep -vE '_test\.cpp:'; then
  failed+=("layers: the iSCSI windows include the device windows")
fi
if grep -rlnE '#include *<windows.h>' "$ROOT"/{base,contracts,product,storagebus,devices,iscsi,cloud,shares} --include='*.cpp' --include='*.h' |
    grep -v '/win/'; then
  failed+=("layers: <windows.h> in the portable core")
fi

run_tree native "$ROOT/build/ci-native"
if [[ -x $ROOT/build/ci-native/bench/device_list_bench ]]; then
  section "benchmarks"
  "$ROOT/build/ci-native/bench/device_list_bench" 100 || failed+=("device list benchmark")
  if [[ -x $ROOT/build/ci-native/shellext/overlay_bench ]]; then
    "$ROOT/build/ci-native/shellext/overlay_bench" 10000 || failed+=("overlay benchmark")
  fi
  if [[ -x $ROOT/build/ci-native/bench/machine_load_bench ]]; then
    "$ROOT/build/ci-native/bench/machine_load_bench" 8 50 || failed+=("machine load benchmark")
  fi
  if [[ -x $ROOT/build/ci-native/cloud/cloud_post_bench ]]; then
    python3 "$ROOT/scripts/cloud-verify-server.py" --test-endpoints --run "$ROOT/build/ci-native/cloud/cloud_post_bench" 21 ||
      failed+=("form post benchmark")
  fi
  if [[ -x $ROOT/build/ci-native/bench/discovery_bench ]]; then
    "$ROOT/scripts/tgt-peer.sh" start >/dev/null &&
      "$ROOT/build/ci-native/bench/discovery_bench" "127.0.0.1:${TW_TGT_PORT:-13260}" 50 ||
      failed+=("discovery benchmark")
    "$ROOT/scripts/tgt-peer.sh" stop >/dev/null || true
  fi
fi
# ThreadSanitizer over the simulated machine and the extension's core, in a
# small tree of its own (only the thread tests are built).
section "threads: build"
tsan=$ROOT/build/ci-tsan
CC=clang CXX=clang++ configure_tree "$tsan" -DTW_TSAN=ON
if cmake --build "$tsan" -j "$JOBS" --target sim_tests shellext_thread_tests; then
  section "threads: tests"
  (cd "$tsan" && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -R '^(sim_tests|shellext_thread_tests)$' --timeout 300) ||
    failed+=("thread tests")
else
  failed+=("threads build")
fi
CC=clang CXX=clang++ run_tree sanitized "$ROOT/build/ci-asan" -DTW_SANITIZE=ON -DTW_FUZZ=ON
if (cd "$ROOT/build/ci-asan" && ctest -N -L fuzz 2>/dev/null | grep 'Test #' >/dev/null); then
  section "fuzz: short runs"
  (cd "$ROOT/build/ci-asan" && ctest -j "$JOBS" --output-on-failure -L fuzz --timeout 300) || failed+=("fuzz")
fi

wine_prefix "$ROOT/build/ci-wineprefix"
start_xvfb
JOBS=2 run_tree windows "$ROOT/build/ci-win" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
# One simulated machine for both front ends: a disc mounted by the native
# console is listed by the manager under Wine.
if [[ -x $ROOT/build/ci-native/console/tarnwick && -f $ROOT/build/ci-win/app/app_win_tests.exe ]]; then
  section "shared machine: native console, manager under Wine"
  shared=$(mktemp -d)
  truncate -s 64M "$shared/shared.iso"
  if TARNWICK_SIM_STATE="$shared/state" "$ROOT/build/ci-native/console/tarnwick" mount cd "Z:${shared//\//\\}\\shared.iso" &&
    (cd "$ROOT/build/ci-win/app" && TW_SHARED_STATE="Z:${shared//\//\\}\\state" \
      wine app_win_tests.exe --gtest_filter='SharedMachine.*' --gtest_color=no | tr -d '\r' | tail -3); then :
  else failed+=("shared machine"); fi
  rm -rf "$shared"
fi
# One lock for both worlds: a native program and a Windows program under Wine
# change one machine at once, and neither loses a change.
if [[ -x $ROOT/build/ci-native/platform/sim/sim_tests && -f $ROOT/build/ci-win/platform/sim/sim_tests.exe ]]; then
  section "shared machine: native and Windows programs at once"
  shared=$(mktemp -d)
  filter=--gtest_filter=SharedMachineTest.NativeAndWindowsProgramsAtOnce
  (cd "$ROOT/build/ci-win/platform/sim" && TW_SHARED_STATE="Z:${shared//\//\\}\\state" wine sim_tests.exe $filter \
    --gtest_color=no | tr -d '\r' | grep -E '^(windows:|\[  (PASSED|FAILED))') &
  wine_side=$!
  TW_SHARED_STATE="$shared/state" TW_SHARED_WAIT=1 "$ROOT/build/ci-native/platform/sim/sim_tests" $filter --gtest_color=no |
    grep -E '^(native:|\[  (PASSED|FAILED))' || failed+=("shared machine: native side")
  wait $wine_side || failed+=("shared machine: Windows side")
  TW_SHARED_STATE="$shared/state" TW_SHARED_EXPECT=1200 "$ROOT/build/ci-native/platform/sim/sim_tests" $filter \
    --gtest_color=no >/dev/null || failed+=("shared machine: changes lost")
  rm -rf "$shared"
fi
if [[ -f $ROOT/build/ci-win/app/startup_bench.exe ]]; then
  section "start-up benchmark"
  bench_state=$(mktemp -d)
  (cd "$ROOT/build/ci-win/app" &&
    TARNWICK_MACHINE=sim TARNWICK_SIM_STATE="Z:${bench_state//\//\\}" wine startup_bench.exe 11 2>/dev/null |
    tr -d '\r' | grep 'start-up') || failed+=("start-up benchmark")
  rm -rf "$bench_state"
fi
# The product as users receive it: every screen's screenshots, the help file
# built from them, the installer, and its install, use and removal under Wine.
if [[ -f $ROOT/build/ci-win/app/TarnwickPro.exe && -x $ROOT/build/ci-native/shellext/shellext_entries ]]; then
  section "screenshots, help file, installer"
  shots=$ROOT/build/screenshots
  if "$ROOT/scripts/screenshots.sh" "$ROOT/build/ci-win" "$shots" &&
    "$ROOT/help/build-help.sh" "$shots" "$ROOT/build/ci-win/app/Tarnwick.chm" &&
    "$ROOT/build/ci-native/shellext/shellext_entries" >"$ROOT/build/shell-entries.tsv" &&
    cmake --build "$ROOT/build/ci-win" --target tarnwickw com_probe >/dev/null &&
    "$ROOT/installer/build-msi.sh" "$ROOT/build/ci-win" "$ROOT/build/ci-win/app/Tarnwick.chm" "$ROOT/build/Tarnwick.msi" \
      "$ROOT/build/shell-entries.tsv" &&
    "$ROOT/installer/test-msi.sh" "$ROOT/build/Tarnwick.msi" "$ROOT/build/shell-entries.tsv" \
      "$ROOT/build/ci-win/installer/com_probe.exe"; then :
  else failed+=("package"); fi
fi
snapshot_bench=$ROOT/build/ci-win/devices/snapshots/win/snapshot_manager_bench.exe
if [[ -x $snapshot_bench ]]; then
  section "windows benchmarks"
  # From a fresh Wine session, as a user starts one: the session that served
  # the tests, screenshots and installer has been seen to slow them by half.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w || true
  wine "$snapshot_bench" 1000 10000 | tr -d '\r' || failed+=("snapshot manager benchmark")
  # The shipped path beside the native figures: Winsock and the system HTTP stack.
  if [[ -f $ROOT/build/ci-win/bench/discovery_bench.exe ]]; then
    "$ROOT/scripts/tgt-peer.sh" start >/dev/null &&
      wine "$ROOT/build/ci-win/bench/discovery_bench.exe" "127.0.0.1:${TW_TGT_PORT:-13260}" 30 | tr -d '\r' ||
      failed+=("discovery benchmark under Wine")
    "$ROOT/scripts/tgt-peer.sh" stop >/dev/null || true
  fi
  if [[ -f $ROOT/build/ci-win/cloud/cloud_post_bench.exe ]]; then
    python3 "$ROOT/scripts/cloud-verify-server.py" --test-endpoints --run wine "$ROOT/build/ci-win/cloud/cloud_post_bench.exe" 11 |
      tr -d '\r' || failed+=("form post benchmark under Wine")
  fi
fi

echo
if ((${#failed[@]})); then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All tests passed."
