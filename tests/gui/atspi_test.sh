#!/usr/bin/env bash
# Runs the app on a private X display and a private session bus with its own accessibility bus
# (at-spi-bus-launcher and the registry), and reads what a screen reader sees through pyatspi.
# usage: atspi_test.sh VANTRO PYTHON SCRIPT
set -u
vantro=$1
python=$2
script=$3
launcher=
for l in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
  [ -x "$l" ] && launcher=$l && break
done
[ -n "$launcher" ] || { echo "SKIP: at-spi-bus-launcher is missing (at-spi2-core)"; exit 77; }
"$python" -c 'import pyatspi' 2>/dev/null || { echo "SKIP: pyatspi is missing (python3-pyatspi)"; exit 77; }
. "$(dirname "$0")/../support/shell_fixture.sh"
require dbus-daemon Xvfb
start_session_bus
Xvfb -displayfd 3 -screen 0 720x1440x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
track $!
wait_for 10 test -s "$work/display" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")
# The accessibility bus's socket goes under the runtime directory: a private one keeps runs apart.
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$launcher" --launch-immediately >/dev/null 2>&1 &
track $!
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_SCALE_FACTOR=2
"$vantro" --simulate --lang en --data-dir "$work/d" >"$work/app.log" 2>&1 &
track $!
timeout 240 "$python" "$script" Cancel OK
rc=$?
[ $rc -eq 0 ] || { echo "--- app log"; tail -20 "$work/app.log"; echo "--- X server"; tail -5 "$work/xvfb.log"; }
exit $rc
