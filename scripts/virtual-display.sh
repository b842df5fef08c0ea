#!/usr/bin/env bash
# Sourced by the other scripts: makes sure an X display exists, starting Xvfb when there is none.
# Sets DISPLAY and, when it started one, XVFB_PID.

start_virtual_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local number
  for number in $(seq 99 -1 90); do
    if [ ! -e "/tmp/.X11-unix/X$number" ] && [ ! -e "/tmp/.X$number-lock" ]; then
      Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":$number"
      local tries
      for tries in $(seq 1 100); do
        if xdpyinfo >/dev/null 2>&1; then
          return 0
        fi
        sleep 0.1
      done
      echo "Xvfb no arrancó en :$number" >&2
      return 1
    fi
  done
  echo "No hay ningún número de pantalla libre para Xvfb" >&2
  return 1
}

stop_virtual_display() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
}
