#!/usr/bin/env bash
# Runs a command with the real feedbackd on the (private) session bus, on a theme of the tests whose
# alarm is a short dummy feedback, so that no sound card or vibration motor is needed.
# usage: with_feedbackd.sh COMMAND [ARGS...]
. "$(dirname "$0")/../support/shell_fixture.sh"
daemon=/usr/libexec/feedbackd
[ -x "$daemon" ] || { echo "SKIP: feedbackd is missing (scripts/setup installs it)"; exit 77; }
# Its settings stay in memory: nothing is written to the user's dconf.
FEEDBACK_THEME="$(dirname "$0")/feedback_theme.json" GSETTINGS_BACKEND=memory "$daemon" >"$work/feedbackd.log" 2>&1 &
track $!
wait_for 10 owned org.sigxcpu.Feedback || { echo "feedbackd did not start" >&2; cat "$work/feedbackd.log" >&2; exit 1; }
"$@"
