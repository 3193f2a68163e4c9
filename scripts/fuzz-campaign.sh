#!/usr/bin/env bash
# Runs every libFuzzer target of a sanitized build tree for a given time
# each and prints, per target, the inputs run and the findings (crashes,
# leaks, time-outs) with the files that reproduce them.
#
#   scripts/fuzz-campaign.sh [SECONDS] [BUILD_DIR] [TARGET...]
#
# SECONDS defaults to 60, BUILD_DIR to build/h-asan (configured with
# -DTW_SANITIZE=ON -DTW_FUZZ=ON and clang). Each target keeps its corpus in
# BUILD_DIR/fuzz-campaign/NAME/corpus, so a later campaign goes on from
# there; findings land in BUILD_DIR/fuzz-campaign/NAME/. Named targets run
# alone (each must be one the tree registered). Exit code 1 when
# anything was found, 2 when a target is not built or ends in failure
# without leaving a reproducer (it ran nothing that can be trusted).
set -uo pipefail
source "$(dirname "$0")/common.sh"
SECONDS_EACH=${1:-60}
TREE=${2:-$ROOT/build/h-asan}
[[ -d $TREE ]] || { echo "fuzz-campaign: no build tree $TREE" >&2; exit 2; }
TREE=$(cd "$TREE" && pwd)
shift $(($# > 2 ? 2 : $#))

# Every fuzz target the tree registered with ctest (label "fuzz").
mapfile -t targets < <(cd "$TREE" && ctest -N -L fuzz 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: *//p' |
  sed -e 's/_run$//' -e 's/_short$//' | sort -u)
((${#targets[@]})) || { echo "fuzz-campaign: no fuzz targets in $TREE" >&2; exit 2; }
if (($#)); then
  for name in "$@"; do
    printf '%s\n' "${targets[@]}" | grep -qx -- "$name" ||
      { echo "fuzz-campaign: $name is not a fuzz target of $TREE" >&2; exit 2; }
  done
  targets=("$@")
fi

found_any=0
broken=0
printf '%-26s %12s %10s  %s\n' target runs findings "reproducers"
for name in "${targets[@]}"; do
  exe=$(find "$TREE" -type f -name "$name" -perm -u+x | head -1)
  if [[ -z $exe ]]; then
    printf '%-26s %12s %10s  %s\n' "$name" "-" "-" "not built"
    broken=1
    continue
  fi
  work=$TREE/fuzz-campaign/$name
  mkdir -p "$work/corpus"
  seeds=()
  [[ -d $(dirname "$exe")/corpus-$name ]] && seeds+=("$(dirname "$exe")/corpus-$name")
  dict=()
  [[ $name == iscsi_* ]] && dict=(-dict="$ROOT/iscsi/fuzz/iscsi.dict")
  log=$work/last.log
  marker=$work/.started
  touch "$marker"
  (cd "$work" && "$exe" -max_total_time="$SECONDS_EACH" -rss_limit_mb=1024 -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$work/" "${dict[@]}" "$work/corpus" "${seeds[@]}" >"$log" 2>&1)
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [[ -n $runs ]] || runs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
  mapfile -t artifacts < <(find "$work" -maxdepth 1 -type f -newer "$marker" \
    \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) -printf '%f\n')
  new=${#artifacts[@]}
  files="${artifacts[*]:-}"
  ((new > 0)) && found_any=1
  if ((status != 0 && new == 0)); then
    # Died without a reproducer (a bad flag, a crash in start-up, a killed
    # process): not "0 findings".
    files="exit $status without a reproducer, see $log"
    new="-"
    broken=1
  fi
  printf '%-26s %12s %10s  %s\n' "$name" "${runs:-?}" "$new" "$files"
done
((broken)) && exit 2
exit $found_any
