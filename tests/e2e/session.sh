#!/bin/bash
# Runs one command inside a private desktop: its own Xvfb display, D-Bus session and accessibility bus.
#
#   tests/e2e/session.sh COMMAND [ARGS...]
#
# The command sees DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS and the Qt settings that put a Qt program
# on the accessibility bus. Everything started here is stopped again on the way out, whatever happens, and the
# command's exit status is returned. Works as root or as an unprivileged user, with or without a terminal.
#
# Environment:
#   E2E_DISPLAY_FIRST  first display number tried (default 20)
#   E2E_KEEP_LOGS=1    keep the session folder (Xvfb, bus and program logs, working folders) and print its path
set -u

if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi

session_dir=$(mktemp -d "${TMPDIR:-/tmp}/lotarin-e2e.XXXXXX") || exit 1
chmod 700 "$session_dir"
xvfb_pid=
inner_pid=

# Whether the inner part (its own session and process group) still has a process that is not a zombie. Members whose parent has gone are reaped by
# whoever adopts them, which may take a while; they count as gone.
group_alive() {
  ps -o stat= --sid "$1" 2>/dev/null | grep -qv "^Z"
}

cleanup() {
  # The inner part runs in its own process group: ending the group ends the buses, the test and the program.
  if [ -n "$inner_pid" ]; then
    kill -TERM -- "-$inner_pid" 2>/dev/null
    for _ in $(seq 50); do group_alive "$inner_pid" || break; sleep 0.05; done
    kill -KILL -- "-$inner_pid" 2>/dev/null
  fi
  if [ -n "$xvfb_pid" ]; then
    kill -TERM "$xvfb_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$xvfb_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  if [ "${E2E_KEEP_LOGS:-0}" = 1 ]; then
    echo "session: logs kept in $session_dir" >&2
  else
    rm -rf "$session_dir"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Find a free display. Another run may pick the same number at the same moment; only the server that owns the
# lock file is ours, so a lost race just moves on to the next number.
start_xvfb() {
  local n lock
  for n in $(seq "${E2E_DISPLAY_FIRST:-20}" 299); do
    lock=/tmp/.X$n-lock
    [ -e "$lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$session_dir/xvfb.log" 2>&1 </dev/null &
    xvfb_pid=$!
    for _ in $(seq 200); do
      if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        break
      fi
      if [ -S "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' \n' <"$lock" 2>/dev/null)" = "$xvfb_pid" ]; then
        display=":$n"
        return 0
      fi
      sleep 0.05
    done
    kill -KILL "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
  done
  echo "session: could not start Xvfb; last log:" >&2
  cat "$session_dir/xvfb.log" >&2
  return 1
}
start_xvfb || exit 1

mkdir -m 700 "$session_dir/runtime"
export DISPLAY=$display
export XDG_RUNTIME_DIR=$session_dir/runtime
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QT_QPA_PLATFORM=xcb
export LANG=C.UTF-8
unset LC_ALL LANGUAGE SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS WAYLAND_DISPLAY
export E2E_SESSION_DIR=$session_dir

# Inside the D-Bus session: start the accessibility bus, wait until it has claimed its name, run the command.
inner='
launcher_log=$E2E_SESSION_DIR/at-spi-bus-launcher.log
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$launcher_log" 2>&1 </dev/null &
ready=0
for _ in $(seq 200); do
  if dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
       org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q true; then
    ready=1
    break
  fi
  sleep 0.05
done
if [ $ready != 1 ]; then
  echo "session: the accessibility bus did not come up:" >&2
  cat "$launcher_log" >&2
  exit 1
fi
"$@"
'
# setsid gives the inner part its own process group, so that cleanup can end all of it at once.
setsid dbus-run-session -- bash -c "$inner" session-inner "$@" &
inner_pid=$!
wait "$inner_pid"
status=$?
# The command has ended; anything it left behind in the group goes with cleanup.
exit "$status"
