#!/usr/bin/env bash
# scripts/settings against settings files made here: what a run leaves in the file the
# program then reads. Usage: settings_test.sh SOURCE_DIR
set -uo pipefail
src=${1:?source folder}
step="$src/scripts/settings"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failed=0

fail() {
  echo "FAIL: $1" >&2
  echo "--- file:" >&2
  cat "$2" >&2
  failed=1
}

# The value of a key in a section as the program reads it (trimmed, the last line wins);
# "<missing>" when there is none. Also counts the key's lines in KEY_LINES.
value() {
  local file=$1 sec=$2 key=$3
  SEC=$sec KEY=$key awk '
    function trim(s) { sub(/\r$/, "", s); gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
    BEGIN { v = "<missing>"; n = 0 }
    { t = trim($0) }
    t ~ /^\[.*\]$/ { in_sec = (trim(substr(t, 2, length(t) - 2)) == ENVIRON["SEC"]); next }
    in_sec && t !~ /^[;#]/ && index(t, "=") > 1 && trim(substr(t, 1, index(t, "=") - 1)) == ENVIRON["KEY"] {
      v = trim(substr(t, index(t, "=") + 1)); n++
    }
    END { print v "|" n }' "$file"
}

sec='SOFTWARE\Quorvel\Win Quorvel'
# expect FILE SECTION KEY VALUE: the key has that value in one line only (VALUE "<missing>":
# no line at all).
expect() {
  local got want
  got=$(value "$1" "$2" "$3")
  if [ "$4" = "<missing>" ]; then want="<missing>|0"; else want="$4|1"; fi
  [ "$got" = "$want" ] || fail "[$2] $3: want '$4' once, got '${got%|*}' in ${got#*|} lines" "$1"
}

# A file left by a run on the virtual CAN bus, then a run naming a real port: the program
# must open the port, not CAN again.
f="$dir/after-can.ini"
printf '[%s]\nLanguage=English\nCOM_Nr=0\nCAN_Plugin=virtualcan\nCAN_Interface=tcp://127.0.0.1:35468/can0\n[Ports]\n' \
  "$sec" >"$f"
bash "$step" "$f" port /dev/ttyUSB0 || fail "port run after a CAN run exited $?" "$f"
expect "$f" "$sec" COM_Nr 1
expect "$f" Ports COM1 /dev/ttyUSB0
expect "$f" "$sec" Language English

# The other way round: the CAN run takes a file that names a port.
bash "$step" "$f" can tcp://127.0.0.1:35468/can0
expect "$f" "$sec" COM_Nr 0
expect "$f" "$sec" CAN_Plugin virtualcan
expect "$f" Ports COM1 "<missing>"

# New files. With the simulated ECU (type 1, manufacturer 1, type number 400, version 6.15,
# hardware 400) the setup window's values name hardware model 7 (QV-400) and that variant's
# definition file, which programdir ships for both languages; a run on a real port leaves
# them to the setup window.
for kind in "sim /dev/pts/7" "can tcp://127.0.0.1:35468/can0" "port /dev/ttyUSB0"; do
  f="$dir/new-${kind%% *}.ini"
  # shellcheck disable=SC2086
  bash "$step" "$f" $kind || fail "new file ($kind) exited $?" "$f"
  expect "$f" "$sec" Language English
  if [ "${kind%% *}" = port ]; then
    for key in "Default Quorvel Hardware" "Default Quorvel Version" "CAN baud rate"; do
      expect "$f" "$sec" "$key" "<missing>"
    done
    expect "$f" "$sec" COM_Nr 1
    continue
  fi
  expect "$f" "$sec" "Default Quorvel Hardware" 7
  expect "$f" "$sec" "Default Quorvel Version" T-QUORVEL-1-400-0615.TXT
  expect "$f" "$sec" "CAN baud rate" 1
  expect "$f" "$sec" "CAN send identifier" 536870910
  expect "$f" "$sec" "CAN receive identifier" 536870911
  for lang in English Deutsch; do
    find "$src/programdir/Language/$lang" -maxdepth 1 -iname T-QUORVEL-1-400-0615.TXT |
      grep -q . || fail "programdir/Language/$lang has no T-QUORVEL-1-400-0615.TXT" "$f"
  done
done
expect "$dir/new-sim.ini" "$sec" COM_Nr 1
expect "$dir/new-sim.ini" Ports COM1 /dev/pts/7
expect "$dir/new-can.ini" "$sec" COM_Nr 0

# A user's own file: values, comments, blanks, Windows line ends and other sections stay;
# only the port of the run and the [Ports] section change, and a duplicate of COM_Nr (the
# program reads the last) does not outvote the new value.
f="$dir/user.ini"
printf '%s\r\n' "; my settings" "[$sec]" "Language = Deutsch" "# the old adapter" "COM_Nr = 5" \
  "Default Quorvel Hardware=3" "Default Quorvel Version=QORV0615.TXT" "COM_Nr=6" "" \
  "[Ports]" "COM5=/dev/ttyS4" "[Other]" "COM_Nr=9" >"$f"
bash "$step" "$f" sim /dev/pts/3 || fail "user's file exited $?" "$f"
for line in "; my settings" "Language = Deutsch" "# the old adapter" "Default Quorvel Hardware=3" \
  "Default Quorvel Version=QORV0615.TXT" "[Other]"; do
  grep -qxF "$line"$'\r' "$f" || fail "user's line '$line' lost" "$f"
done
expect "$f" "$sec" COM_Nr 1
expect "$f" "$sec" "CAN baud rate" "<missing>"
expect "$f" Ports COM1 /dev/pts/3
expect "$f" Ports COM5 "<missing>"
expect "$f" Other COM_Nr 9

# A relay device named: COM2 is it, and the relay is switched on there; a later run without
# one maps no device for it and switches it off.
f="$dir/relay.ini"
QUORVEL_RELAY=/dev/pts/9 bash "$step" "$f" sim /dev/pts/3 || fail "relay run exited $?" "$f"
expect "$f" Ports COM1 /dev/pts/3
expect "$f" Ports COM2 /dev/pts/9
expect "$f" "$sec" BT_Relais_COM_Nr 2
expect "$f" "$sec" BT_Relais_Online 1
bash "$step" "$f" sim /dev/pts/3 || fail "run after a relay run exited $?" "$f"
expect "$f" Ports COM2 "<missing>"
expect "$f" "$sec" BT_Relais_COM_Nr 2
expect "$f" "$sec" BT_Relais_Online 0
expect "$dir/new-sim.ini" Ports COM2 "<missing>"
expect "$dir/new-sim.ini" "$sec" BT_Relais_Online "<missing>"

# Wrong calls change nothing.
cp "$f" "$dir/before.ini"
bash "$step" "$f" port 2>/dev/null && fail "port without a device was taken" "$f"
bash "$step" "$f" serial /dev/x 2>/dev/null && fail "an unknown kind was taken" "$f"
cmp -s "$f" "$dir/before.ini" || fail "a wrong call changed the file" "$f"
[ -z "$(find "$dir" -name '*.new*')" ] || fail "a temporary file was left" "$f"

[ $failed -eq 0 ] && echo "settings: all cases passed"
exit $failed
