#!/bin/bash
# Runs the end-to-end suite against a built program, inside a private desktop.
#
#   tests/e2e/run_e2e.sh PATH/TO/Tombal                          every tests/e2e/test_*.py
#   tests/e2e/run_e2e.sh PATH/TO/Tombal test_main_menu[.Class.test]  only those (unittest names)
#
# Sets up the CUPS PDF printer first when it can; without one the print tests skip. Prints unittest's summary and
# exits non-zero when a test fails. With E2E_ARTIFACTS=DIR a failing test leaves a screenshot there.
set -u

here=$(cd "$(dirname "$0")" && pwd)
if [ $# -lt 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 PATH/TO/Tombal [TEST...]" >&2
  exit 2
fi
TOMBAL=$(realpath "$1")
export TOMBAL
shift

cups_log=$(mktemp)
if pdf_dir=$("$here/cups.sh" start 2>"$cups_log"); then
  export E2E_PDF_DIR=$pdf_dir
  echo "run_e2e: printing to the CUPS queue PDF, files in $E2E_PDF_DIR" >&2
else
  unset E2E_PDF_DIR
  grep '^cups:' "$cups_log" >&2
  echo "run_e2e: no CUPS PDF printer; the print tests will skip" >&2
fi
rm -f "$cups_log"

cd "$here" || exit 1
if [ $# -eq 0 ]; then
  exec "$here/session.sh" /usr/bin/python3 -m unittest discover -s "$here" -p 'test_*.py' -t "$here" -v
else
  exec "$here/session.sh" /usr/bin/python3 -m unittest -v "$@"
fi
