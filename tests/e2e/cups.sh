#!/bin/bash
# A real print service for the print tests: a CUPS scheduler with a cups-pdf queue "PDF" as the default printer.
#
#   tests/e2e/cups.sh [start] [--user NAME]   make sure cupsd runs and PDF is the default queue; print on stdout
#                                             the folder where NAME's jobs land as PDF files (default: the
#                                             current user). Safe to run any number of times.
#   tests/e2e/cups.sh stop                    stop the scheduler, to test a print service that goes away; a later
#                                             start brings it back
#   tests/e2e/cups.sh status                  exit 0 when the scheduler runs and PDF is the default queue,
#                                             enabled and accepting jobs
#
# Works without systemd: the scheduler is then started here in the foreground mode of cupsd, detached, and its
# pid kept in $PIDFILE so that stop ends exactly that process. Messages go to stderr. Needs root to start or stop
# the scheduler or to create the queue; printing itself works for any user.
set -u

QUEUE=PDF
PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
PIDFILE=/run/lotarin-e2e-cupsd.pid
CUPSD_LOG=/run/lotarin-e2e-cupsd.log

say() { echo "cups: $*" >&2; }

scheduler_running() { lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

wait_scheduler() {  # $1: "up" or "down"
  local _
  for _ in $(seq 100); do
    if scheduler_running; then [ "$1" = up ] && return 0; else [ "$1" = down ] && return 0; fi
    sleep 0.1
  done
  return 1
}

systemd_running() { [ -d /run/systemd/system ] && command -v systemctl >/dev/null; }

our_cupsd_pid() {
  local pid
  pid=$(cat "$PIDFILE" 2>/dev/null) || return 1
  [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = cupsd ] && echo "$pid"
}

start_scheduler() {
  scheduler_running && return 0
  command -v cupsd >/dev/null || { say "cupsd is not installed"; return 1; }
  if systemd_running; then
    systemctl start cups.service || return 1
  else
    [ "$(id -u)" = 0 ] || { say "the scheduler is not running and only root can start it"; return 1; }
    # -f keeps cupsd in the foreground, so the pid recorded here is the scheduler's own.
    setsid cupsd -f </dev/null >"$CUPSD_LOG" 2>&1 &
    echo $! >"$PIDFILE"
  fi
  wait_scheduler up || { say "the scheduler did not come up"; cat "$CUPSD_LOG" >&2 2>/dev/null; return 1; }
}

ensure_queue() {
  if ! lpstat -v "$QUEUE" 2>/dev/null | grep -q 'cups-pdf:/'; then
    [ -r "$PPD" ] || { say "printer-driver-cups-pdf is not installed ($PPD missing)"; return 1; }
    lpadmin -p "$QUEUE" -v cups-pdf:/ -E -P "$PPD" || return 1
  fi
  # An earlier test may have left the queue stopped or rejecting jobs.
  cupsenable "$QUEUE" 2>/dev/null
  cupsaccept "$QUEUE" 2>/dev/null
  if ! lpstat -d 2>/dev/null | grep -q ": $QUEUE\$"; then
    lpadmin -d "$QUEUE" || return 1
  fi
}

# The folder cups-pdf writes a user's jobs to: its Out setting, with ${HOME} and ${USER} of that user.
output_dir() {
  local user=$1 home out
  home=$(getent passwd "$user" | cut -d: -f6)
  # cups-pdf takes the home folder from the user database, not from $HOME.
  if [ ! -d "$home" ]; then
    say "jobs of $user cannot land anywhere: the home folder '$home' does not exist"
    return 1
  fi
  out=$(sed -n 's/^[[:space:]]*Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -n1)
  out=${out:-'${HOME}/PDF'}
  out=${out//'${HOME}'/$home}
  out=${out//'${USER}'/$user}
  echo "$out"
}

# Scheduler running, PDF the default, a cups-pdf device, enabled and accepting jobs.
ready() {
  local s
  s=$(lpstat -r -d -v "$QUEUE" -p "$QUEUE" -a "$QUEUE" 2>/dev/null) || return 1
  grep -q '^scheduler is running' <<<"$s" && grep -q ": $QUEUE\$" <<<"$s" && grep -q "^device for $QUEUE: cups-pdf:/" <<<"$s" \
    && grep -q "^printer $QUEUE .*enabled" <<<"$s" && grep -q "^$QUEUE accepting requests" <<<"$s"
}

stop_scheduler() {
  local pid
  scheduler_running || return 0
  if pid=$(our_cupsd_pid); then
    kill -TERM "$pid"
  elif systemd_running; then
    systemctl stop cups.service cups.socket cups.path
  else
    say "the running scheduler was not started by this script; not stopping it"
    return 1
  fi
  wait_scheduler down || { say "the scheduler did not stop"; return 1; }
  rm -f "$PIDFILE"
}

action=start
user=$(id -un)
while [ $# -gt 0 ]; do
  case $1 in
    start|stop|status) action=$1 ;;
    --user) user=$2; shift ;;
    *) say "unknown argument: $1"; exit 2 ;;
  esac
  shift
done

case $action in
  start)
    # Usually all is set already; one lpstat call tells.
    if ready; then
      output_dir "$user"
      exit
    fi
    start_scheduler || exit 1
    ensure_queue || { say "could not set up the queue $QUEUE"; exit 1; }
    output_dir "$user"
    ;;
  stop) stop_scheduler ;;
  status) ready ;;
esac
