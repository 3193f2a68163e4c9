#!/usr/bin/env bash
# Checks the installer: its tables, then under Wine (Xvfb running, DISPLAY
# set) a quiet install into a fresh prefix, the installed programs at work,
# and a quiet uninstall that leaves no file, key or value of the product.
#   installer/test-msi.sh Tarnwick.msi [SHELL-ENTRIES.tsv [COM-PROBE.exe]]
set -euo pipefail
msi=$(realpath "$1")
entries=${2:-}
probe=${3:+$(realpath "$3")}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../scripts/common.sh"
fail() { echo "test-msi: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

# ---- Tables ---------------------------------------------------------------
tables=$(msiinfo tables "$msi")
for t in File Component Registry Shortcut Upgrade CustomAction; do
  grep -qx "$t" <<<"$tables" || fail "no $t table"
done
mkdir -p "$work/tables"
# msidump writes the streams (the icon) into the folder it runs in.
(cd "$work/tables" && msidump -d . "$msi" >/dev/null)
files=$(cut -f3 "$work/tables/File.idt" | tail -n +4)
for f in TarnwickPro.exe PellowenShl.dll tarnwick.exe tarnwickw.exe Tarnwick.chm; do
  grep -q "$f" <<<"$files" || fail "$f is not in the File table"
done
grep -q 'Tarnwick Pro' "$work/tables/Shortcut.idt" || fail "no Start-menu shortcut"
upgrade=$(grep -o '{6F1C2B6E-3D7A-4C55-9E2B-8A41D3F0C7A2}' "$work/tables/Upgrade.idt" | head -1)
[[ -n $upgrade ]] || fail "the upgrade code is not in the Upgrade table"
for ext in .iso .bin .mdf .cdi .b5i .nrg .ccd .img .raw .vhd; do
  grep -qF "SystemFileAssociations\\$ext\\shell\\TarnwickMount\\command" "$work/tables/Registry.idt" ||
    fail "no Mount verb for $ext"
done
if [[ -n $entries ]]; then
  while IFS=$'\t' read -r root key name kind value; do
    [[ -z $key ]] && continue
    grep -qF "$key" "$work/tables/Registry.idt" || fail "extension entry $root\\$key is not in the Registry table"
  done <"$entries"
fi
echo "test-msi: tables hold the files, shortcut, verbs, upgrade code$([[ -n $entries ]] && echo ' and every extension entry')"

# What Windows enforces and Wine lets pass: a deferred action runs only inside
# the install script (error 2762 otherwise, and the uninstall aborts), and an
# uninstall run with /qn, maybe as SYSTEM, must not wait on a window nobody sees.
row() { tail -n +4 "$work/tables/$1.idt" | tr -d '\r'; }
seq_of() { row InstallExecuteSequence | awk -F'\t' -v a="$1" '$1 == a { print $3 }'; }
first=$(seq_of InstallInitialize)
last=$(seq_of InstallFinalize)
[[ -n $first && -n $last ]] || fail "InstallInitialize or InstallFinalize is not sequenced"
while IFS=$'\t' read -r action type source target _; do
  [[ -n $action ]] || continue
  at=$(seq_of "$action")
  if ((type & 0x400)) && [[ -n $at ]] && ((at <= first || at >= last)); then
    fail "deferred action $action at $at is outside InstallInitialize ($first) to InstallFinalize ($last)"
  fi
  case $((type & 7)) in
    2) [[ $source == F_tarnwickw_exe && $target == "--quiet "* ]] ||
      fail "action $action runs a program that can show a window: $source $target" ;;
    3) if (((type & 0x3F) == 19)); then fail "action $action shows an error box"; fi ;;
    *) fail "action $action (type $type) runs code that can show a window" ;;
  esac
done < <(row CustomAction)
for key in 'SOFTWARE\Velthorn\Pellowen' 'Software\Velthorn\Pellowen'; do
  row Registry | awk -F'\t' -v k="$key" '$3 == k && $4 == "-" && $5 == "" { found = 1 } END { exit !found }' ||
    fail "no Registry row removes $key on uninstall"
done
echo "test-msi: deferred actions inside the script, none that can show a window, the settings keys removed by table"

# ---- Install, use, uninstall under Wine ----------------------------------
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_prefix "$WINEPREFIX"
wineserver -w
keys() { grep -h '^\[' "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" | sed 's/\] [0-9]*$/]/' |
  grep -v -e 'Installer\\\\' -e 'NetworkCards' -e 'Services\\\\Tcpip' -e 'Volatile' | sort; }
keys >"$work/keys-before"
find "$WINEPREFIX/drive_c" -type f | grep -v -e '/windows/' -e '/users/' | sort >"$work/files-before"

wine msiexec /i "$msi" /qn || fail "msiexec /i failed"
wineserver -w
dir="$WINEPREFIX/drive_c/Program Files/Velthorn/Tarnwick"
for f in TarnwickPro.exe PellowenShl.dll tarnwick.exe tarnwickw.exe Tarnwick.chm; do
  [[ -f $dir/$f ]] || fail "$f was not installed"
done
find "$WINEPREFIX/drive_c" -name 'Tarnwick Pro.lnk' | grep . >/dev/null || fail "no shortcut in the Start menu"
verb=$(wine reg query 'HKLM\Software\Classes\SystemFileAssociations\.iso\shell\TarnwickMount\command' /ve 2>/dev/null |
  tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[[ $verb == '"C:\Program Files\Velthorn\Tarnwick\tarnwickw.exe" mount cd "%1"' ]] || fail "ISO verb: $verb"
wine reg query 'HKCR\.iso' /ve >/dev/null 2>&1 && fail "the installer took over the .iso extension"
if [[ -n $probe ]]; then
  wine "$probe" | tr -d '\r' || fail "the extension's classes cannot be created through COM"
fi

# The manager starts from where it was installed, on a simulated machine.
state=$work/state
mkdir -p "$state"
export TARNWICK_MACHINE=sim TARNWICK_SIM_STATE="Z:${state//\//\\}"
wine "$dir/TarnwickPro.exe" >/dev/null 2>&1 &
for _ in $(seq 150); do xdotool search --name '^Velthorn Tarnwick$' >/dev/null 2>&1 && break; sleep 0.2; done
xdotool search --name '^Velthorn Tarnwick$' >/dev/null 2>&1 || fail "the installed manager showed no window"
wine "$dir/TarnwickPro.exe" >/dev/null 2>&1 || fail "a second start did not hand over with 0"
# taskkill without /f asks the windows to close, as the close button does.
wine taskkill /im TarnwickPro.exe >/dev/null 2>&1 || true
for _ in $(seq 50); do xdotool search --name '^Velthorn Tarnwick$' >/dev/null 2>&1 || break; sleep 0.2; done
xdotool search --name '^Velthorn Tarnwick$' >/dev/null 2>&1 && fail "the manager did not close"

# The verb, as Explorer runs it, mounts an ISO; its message box is closed.
truncate -s 8M "$work/disc.iso"
iso="Z:${work//\//\\}\\disc.iso"
line=${verb//%1/$iso}
eval "wine ${line//\\/\\\\}" >/dev/null 2>&1 &
verb_pid=$!
for _ in $(seq 150); do xdotool search --name '^Tarnwick Pro$' >/dev/null 2>&1 && break; sleep 0.2; done
# The box has the focus: Return presses OK (real input, through XTEST).
for _ in 1 2 3; do
  kill -0 "$verb_pid" 2>/dev/null || break
  xdotool key Return
  sleep 2
done
wait "$verb_pid" || fail "the Mount verb failed"
wine "$dir/tarnwick.exe" list --category "Virtual CD/DVD" 2>/dev/null | tr -d '\r' | grep 'disc.iso' >/dev/null ||
  fail "the verb's ISO is not listed"
# The uninstall's program, told to be quiet, fails without a window (one
# waiting for a click would run into the timeout).
rc=0
timeout 60 wine "$dir/tarnwickw.exe" --quiet forget-settings >/dev/null 2>&1 || rc=$?
[[ $rc == 2 ]] || fail "tarnwickw --quiet with a bad command ended with $rc, not 2 at once"
unset TARNWICK_MACHINE TARNWICK_SIM_STATE
echo "test-msi: installed; the manager, the console and the Mount verb work from the program folder"

# What the programs may write themselves must go too.
wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v Pellowen /d "\"$dir\\TarnwickPro.exe\" -a" /f >/dev/null
wine reg add 'HKLM\SOFTWARE\Velthorn\Pellowen\Client' /v PreferDisk /t REG_DWORD /d 1 /f >/dev/null
wine reg add 'HKCU\Software\Velthorn\Pellowen\Servers\Server0' /v IPAddress /d 10.0.0.1 /f >/dev/null
wine msiexec /x "$msi" /qn || fail "msiexec /x failed"
wineserver -w
[[ -d "$WINEPREFIX/drive_c/Program Files/Velthorn" ]] && fail "the program folder is left: $(ls -R "$WINEPREFIX/drive_c/Program Files/Velthorn")"
find "$WINEPREFIX/drive_c" -type f | grep -v -e '/windows/' -e '/users/' | sort >"$work/files-after"
diff "$work/files-before" "$work/files-after" >/dev/null || fail "files left: $(diff "$work/files-before" "$work/files-after")"
find "$WINEPREFIX/drive_c" -name 'Tarnwick Pro.lnk' | grep . >/dev/null && fail "the shortcut is left"
grep -q '"Pellowen"=' "$WINEPREFIX/system.reg" && fail "the Run value is left"
keys >"$work/keys-after"
if ! diff "$work/keys-before" "$work/keys-after" >"$work/keys-diff"; then
  # The maker's key may stay empty under the user's key: other products share it.
  if grep '^>' "$work/keys-diff" | grep -v -x '> \[Software\\\\Velthorn\]' | grep . >/dev/null; then
    fail "keys left after uninstall: $(grep '^>' "$work/keys-diff")"
  fi
fi
echo "test-msi: uninstalled; no file, key or value of the product is left"
