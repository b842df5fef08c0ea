# Sourced by scripts/test.sh and scripts/bench.sh, after they set WINEPREFIX: one Wine server and
# Wine's own services for the whole run, and Windows commands run quietly that stop the script,
# saying why, when they fail.

# Runs a Windows command through wine-run.sh with its output in a log (Wine's services, which the
# first command starts, keep it open for as long as they run). When the command fails, says so
# with the log's last line and ends the script.
wine_quietly() {
  local log
  log=$(mktemp "${TMPDIR:-/tmp}/trasvidora-wine.XXXXXX")
  if ! scripts/wine-run.sh "$@" </dev/null >"$log" 2>&1; then
    echo "Wine no ejecutó \"$*\" en el prefijo $WINEPREFIX: $(grep -v '^[[:space:]]*$' "$log" | tail -n 1)" >&2
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
}

# One Wine server for the whole run: left to itself it ends a few seconds after each program, and
# a program that starts just then finds it going ("recvmsg: Connection reset by peer"). Wine's
# services start here, with no output of the runs to hold on to. The server of an earlier command
# ends by itself (and saves the registry); one left persistent by an interrupted run never would,
# and is ended after a minute.
start_wine_session() {
  timeout 60 wineserver -w || wineserver -k 2>/dev/null || true
  wineserver -p </dev/null >/dev/null 2>&1
  wine_quietly cmd /c exit
}

end_wine_session() {
  wineserver -k 2>/dev/null || true
}
