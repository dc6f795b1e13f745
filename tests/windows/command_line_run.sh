#!/usr/bin/env bash
# The command line on Windows, under Wine on an X server of its own:
#   command_line_run.sh WINE_RUN WINE_PREFIX WINDOWS_PROGRAM_DIR WORK_DIR
# Without a running copy kavtra.exe --get ends with status 3. With the window
# program running on the simulated port, kavtra.exe --set and --get from
# other processes reach it through the named pipe: status 0, the output line,
# the outputs latched (trace) and remembered (Data.dat at exit). A second
# start of the window program opens no second window and never opens the port.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/screen.sh"
wine_run=$1 prefix=$2 windows_dir=$3 work=$4
wine_prefix=$prefix
windows() { xdotool search --onlyvisible --name '^Кавтра$' 2>/dev/null | wc -l; }
one_window() { [ "$(windows)" -eq 1 ]; }
# kavtra.exe ARGS...: status into $status, standard output (CRs dropped) into $out.
kavtra() {
  status=0
  out=$(cd "$work" && KAVTRA_PORT=sim KAVTRA_PORT_TRACE="Z:${second//\//\\}" \
    "$wine_run" "$prefix" kavtra.exe "$@" 2>"$work/stderr.txt" | tr -d '\r') || status=$?
}

rm -rf "$work"
mkdir -p "$work"
cp -r "$windows_dir/kavtra.exe" "$windows_dir/kavtra-window.exe" "$windows_dir/qt.conf" \
  "$windows_dir/translations" "$work/"
# The web access, asked from Linux, on a loopback port that refuses connections now.
until web_port=$((20000 + RANDOM % 30000)) && ! (exec 3<>"/dev/tcp/127.0.0.1/$web_port") 2>/dev/null; do :; done
web="http://127.0.0.1:$web_port"
printf '[Configs]\r\nTimeUpdate=3600000\r\n[Web]\r\nListen=127.0.0.1:%s\r\n' "$web_port" >"$work/config.ini"
trace="$work/trace.txt" second="$work/second-trace.txt"

kavtra --get 5
[ "$status" -eq 3 ] || fail "--get without a running copy ended with status $status, not 3"
[ ! -e "$second" ] || fail "--get without a running copy opened the port"

(cd "$work" && KAVTRA_PORT=sim KAVTRA_PORT_TRACE="Z:${trace//\//\\}" exec "$wine_run" "$prefix" kavtra-window.exe) &
pid=$!
end_at_exit "$pid"
wait_until 120 one_window || fail "no window titled Кавтра"
wait_until 10 test -s "$trace" || fail "the window program wrote no trace"

settled "$trace"
before=$(wc -l <"$trace")
kavtra --set 5=off 7=off 8=off
[ "$status" -eq 0 ] || fail "--set ended with status $status: $(cat "$work/stderr.txt")"
[ "$(wc -l <"$trace")" -gt "$before" ] || fail "--set sent nothing to the port"
kavtra --get 5
[ "$status" -eq 0 ] || fail "--get ended with status $status: $(cat "$work/stderr.txt")"
[ "$out" = $'5\toff\tВывод 5' ] || fail "--get 5 printed '$out'"

# A client from Linux is no Windows process the program could name as its
# user's: it needs a token, which --add-token gives the running copy at once.
kavtra --add-token curl switch
[ "$status" -eq 0 ] && [ ${#out} -eq 64 ] || fail "--add-token ended with status $status: '$out'"
bearer="Authorization: Bearer $out"
answer=$(curl -sS -m 20 -H "$bearer" -d '{"6":"off"}' "$web/api/set") && [ "$answer" = '{"ok":true}' ] ||
  fail "set: '$answer'"
kavtra --get 6
[ "$out" = $'6\toff\tВывод 6' ] || fail "--get 6 after the web's set printed '$out'"
answer=$(curl -sS -m 20 -H "$bearer" "$web/api/outputs/6") &&
  [ "$answer" = '{"number":6,"name":"Вывод 6","state":"off"}' ] || fail "GET /api/outputs/6 answered '$answer'"
# The page, as a phone gets it from the Windows program.
page=$(curl -sS -m 20 -H "$bearer" -D - "$web/" | tr -d '\r')
grep -q '^Content-Security-Policy: default-src .self.; script-src .sha256-' <<<"$page" && grep -q '<title>Kavtra</title>' <<<"$page" ||
  fail "GET / answered without the page or its policy: $(head -c 300 <<<"$page")"

# A schedule a few seconds ahead and a 2 s limit, read by --reload: the
# calendar's alarm fires under Wine, and the limit ends on its own.
at=$(date -d '+12 sec' '+%Y-%m-%d %H:%M:%S')
printf '\xEF\xBB\xBF[Schedule Утро]\r\nAt=%s\r\nOn=8\r\n[Limits]\r\n9=2s\r\n' "$at" >"$work/Rules.ini"
kavtra --reload
[ "$status" -eq 0 ] || fail "--reload ended with status $status: $(cat "$work/stderr.txt")"
kavtra --schedule 1
[ "$out" = "$at"$'\tУтро\ton=8' ] || fail "--schedule 1 printed '$out'"
kavtra --set 9=on
kavtra --get 9
[[ "$out" == $'9\ton\tВывод 9\t'[12]s ]] || fail "--get 9 with its limit running printed '$out'"
is() { kavtra --get "$1" && [ "$out" = "$1"$'\t'"$2"$'\tВывод '"$1" ]; }
wait_until 10 is 9 off || fail "the 2 s limit left output 9 '$out'"
wait_until 30 is 8 on || fail "the schedule at $at left output 8 '$out'"
kavtra --log 3
[[ "$out" == *$'\ttimer\t9=off\n'*$'\tschedule:Утро\t8=on' ]] || fail "the log's last lines are '$out'"

(cd "$work" && KAVTRA_PORT=sim KAVTRA_PORT_TRACE="Z:${second//\//\\}" "$wine_run" "$prefix" kavtra-window.exe) ||
  fail "the second start ended with status $?"
one_window || fail "the second start left $(windows) windows titled Кавтра"
[ ! -e "$second" ] || fail "a second copy opened the port"

close_and_confirm "$(window '^Кавтра$')"
wait "$pid" || fail "the window program ended with status $?"

[ -f "$work/Data.dat" ] || fail "the exit wrote no Data.dat"
values=$(tr -d '\r' <"$work/Data.dat" | awk -F'[_\\]]' '/^\[Devais_/ {n = $2} /^Value=1$/ {printf "%s ", n}')
[ "$values" = "5 6 7 9 " ] || fail "Data.dat remembers outputs '${values}'switched off, not 5, 6, 7 and 9"
echo "no copy: status 3; --set and --get through the pipe: status 0; the web's set and read; a schedule and a limit on time; one window; Data.dat: 5, 6, 7 and 9 off"
