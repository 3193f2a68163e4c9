#!/usr/bin/env bash
# The real iSCSI peer of the tests: the tgt target daemon on loopback.
#
#   scripts/tgt-peer.sh start|stop|status
#
# start: two tgtd instances on 127.0.0.1, each with its own management socket
#   PORT   (TW_TGT_PORT, default 13260): three file-backed targets, the third
#          with a CHAP account bound (its data sessions need CHAP; discovery
#          lists it all the same);
#   PORT+1 one target and a discovery CHAP account: a discovery login that
#          proposes only AuthMethod=None is rejected there;
#   PORT+2 1,100 targets with long names, whose SendTargets answer does not
#          fit one Text Response (tgt sends the rest only when asked).
#   Already running: nothing is done. A busy port is an error (tgtd would run
#   without a listener).
# stop: stops only the instances this script started (by the PIDs it wrote),
#   removes the backing files. Not running: nothing is done.
# State and backing files: TW_TGT_DIR, default /tmp/tarnwick-tgt-PORT.
set -euo pipefail

PORT=${TW_TGT_PORT:-13260}
DIR=${TW_TGT_DIR:-/tmp/tarnwick-tgt-$PORT}
PREFIX=iqn.2026-01.test.tarnwick
OPEN_TARGETS=("$PREFIX:peer.disk1" "$PREFIX:peer.disk2" "$PREFIX:peer.chap-disk")
CHAP_TARGETS=("$PREFIX:peer.behind-discovery-chap")

die() { echo "tgt-peer: $*" >&2; exit 1; }

# alive NAME: the instance's tgtd runs (and is ours: the PID's command is tgtd).
alive() {
  local pidfile=$DIR/$1/pid pid
  [[ -f $pidfile ]] || return 1
  pid=$(<"$pidfile")
  [[ -r /proc/$pid/cmdline ]] || return 1
  grep -q '^State:[[:space:]]*Z' "/proc/$pid/status" 2>/dev/null && return 1
  tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q '^tgtd '
}

# gone NAME: the process started for the instance has ended. (Right after
# the start it may not have become tgtd yet, which `alive` would call dead.)
gone() {
  local pid
  pid=$(<"$DIR/$1/pid")
  [[ -r /proc/$pid/cmdline ]] || return 0
  grep -q '^State:[[:space:]]*Z' "/proc/$pid/status" 2>/dev/null
}

adm() {  # adm NAME args...
  local name=$1; shift
  TGT_IPC_SOCKET=$DIR/$name/ipc tgtadm --lld iscsi "$@"
}

port_busy() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

start_instance() {  # start_instance NAME PORT
  local name=$1 port=$2 d=$DIR/$1
  if alive "$name"; then
    echo "tgt-peer: $name already running on 127.0.0.1:$port"
    return 0
  fi
  port_busy "$port" && die "127.0.0.1:$port is in use by another program"
  mkdir -p "$d"
  rm -f "$d"/ipc*
  TGT_IPC_SOCKET=$d/ipc setsid tgtd -f --iscsi "portal=127.0.0.1:$port" \
    </dev/null >"$d/log" 2>&1 &
  echo $! >"$d/pid"
  local i
  for i in $(seq 100); do
    adm "$name" --op show --mode target >/dev/null 2>&1 && break
    gone "$name" && die "tgtd ($name) exited: $(tail -3 "$d/log")"
    sleep 0.05
  done
  adm "$name" --op show --mode target >/dev/null 2>&1 || die "tgtd ($name) did not answer"
}

add_targets() {  # add_targets NAME TARGET...
  local name=$1; shift
  local tid=1 t
  for t in "$@"; do
    truncate -s 64M "$DIR/$name/lun$tid.img"
    adm "$name" --op new --mode target --tid "$tid" --targetname "$t"
    adm "$name" --op new --mode logicalunit --tid "$tid" --lun 1 --backing-store "$DIR/$name/lun$tid.img"
    adm "$name" --op bind --mode target --tid "$tid" --initiator-address ALL
    tid=$((tid + 1))
  done
}

wait_listening() {
  local i
  for i in $(seq 100); do
    port_busy "$1" && return 0
    sleep 0.05
  done
  die "nothing listens on 127.0.0.1:$1"
}

stop_instance() {  # stop_instance NAME
  local name=$1 d=$DIR/$1 pid tid i
  [[ -d $d ]] || return 0
  if alive "$name"; then
    pid=$(<"$d/pid")
    # tgtd ignores SIGTERM: delete the targets (forced, sessions may be
    # open), then the system; SIGKILL by PID only as the last resort.
    for tid in $(adm "$name" --op show --mode target 2>/dev/null | sed -n 's/^Target \([0-9]*\):.*/\1/p'); do
      adm "$name" --op delete --mode target --tid "$tid" --force >/dev/null 2>&1 || true
    done
    adm "$name" --op delete --mode system >/dev/null 2>&1 || true
    for i in $(seq 100); do
      alive "$name" || break
      sleep 0.05
    done
    if alive "$name"; then
      kill -KILL "$pid" 2>/dev/null || true
    fi
  fi
  rm -rf "$d"
}

case ${1:-} in
  start)
    command -v tgtd >/dev/null || die "tgtd not found (Debian package tgt)"
    mkdir -p "$DIR"
    if ! alive open; then
      start_instance open "$PORT"
      add_targets open "${OPEN_TARGETS[@]}"
      adm open --op new --mode account --user peer-user --password peer-secret-123
      adm open --op bind --mode account --tid 3 --user peer-user
    fi
    if ! alive dchap; then
      start_instance dchap "$((PORT + 1))"
      add_targets dchap "${CHAP_TARGETS[@]}"
      adm dchap --op new --mode account --user discovery-user --password discovery-secret
      adm dchap --op bind --mode account --user discovery-user  # no tid: discovery sessions
    fi
    if ! alive many; then
      start_instance many "$((PORT + 2))"
      for i in $(seq 1 1100); do
        t=$(printf '%s:many.%04d-%0190d' "$PREFIX" "$i" 0)
        adm many --op new --mode target --tid "$i" --targetname "$t"
        adm many --op bind --mode target --tid "$i" --initiator-address ALL
      done
    fi
    wait_listening "$PORT"
    wait_listening "$((PORT + 1))"
    wait_listening "$((PORT + 2))"
    printf '%s\n' "${OPEN_TARGETS[@]}" >"$DIR/targets"
    echo "tgt-peer: running on 127.0.0.1:$PORT (${#OPEN_TARGETS[@]} targets) and :$((PORT + 1)) (discovery CHAP)"
    ;;
  stop)
    stop_instance open
    stop_instance dchap
    stop_instance many
    rm -f "$DIR/targets"
    rmdir "$DIR" 2>/dev/null || true
    echo "tgt-peer: stopped"
    ;;
  status)
    for n in open dchap many; do
      if alive "$n"; then echo "$n: running (pid $(<"$DIR/$n/pid"))"; else echo "$n: not running"; fi
    done
    ;;
  *)
    echo "usage: $0 start|stop|status" >&2
    exit 2
    ;;
esac
