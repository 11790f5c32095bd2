#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed programs from there, away from
# the build tree: catalogs, icon, desktop entry, metainfo and man pages must all come along.
# usage: install_test.sh BUILD_DIR
set -uo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
unset VANTRO_LOCALEDIR  # the installed programs must find their own catalogs
for f in bin/vantro bin/vantro-cli share/locale/en/LC_MESSAGES/vantro.mo share/locale/zh_CN/LC_MESSAGES/vantro.mo \
         share/applications/org.vantro.Vantro.desktop share/metainfo/org.vantro.Vantro.metainfo.xml \
         share/icons/hicolor/scalable/apps/vantro.svg share/man/man1/vantro.1 share/man/man1/vantro-cli.1 \
         share/dbus-1/services/org.vantro.Vantro.service share/dbus-1/interfaces/org.vantro.Vantro.xml \
         lib/systemd/user/vantro.service; do
  check "installs $f" "[ -s '$prefix/$f' ]"
done
for size in 64 128; do
  # Width and height sit in the PNG header at bytes 16 to 23.
  dims=$(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/${size}x${size}/apps/vantro.png" 2>/dev/null | tr -s ' ')
  check "${size}px icon" "[ '$dims' = ' 0 0 0 $size 0 0 0 $size' ]"
done
check "desktop entry valid" "desktop-file-validate '$prefix/share/applications/org.vantro.Vantro.desktop'"
# The desktop starts the companion by its bus name, in the background, as the unit does.
check "bus service starts the companion" "grep -qx 'Exec=.*/vantro --background' '$prefix/share/dbus-1/services/org.vantro.Vantro.service'"
check "unit owns the bus name" "grep -qx 'BusName=org.vantro.Vantro' '$prefix/lib/systemd/user/vantro.service'"
check "metainfo valid" "appstreamcli validate --no-net '$prefix/share/metainfo/org.vantro.Vantro.metainfo.xml' >/dev/null"
# What phone software centres read to list the app as fitting a phone, and its bus name.
metainfo="$prefix/share/metainfo/org.vantro.Vantro.metainfo.xml"
check "metainfo: fits 360 px" "grep -q '<display_length compare=\"ge\">360</display_length>' '$metainfo'"
for control in touch keyboard pointing; do
  check "metainfo: supports $control" "grep -q '<control>$control</control>' '$metainfo'"
done
check "metainfo: provides the bus name" "grep -q '<dbus type=\"user\">org.vantro.Vantro</dbus>' '$metainfo'"
check "man page lists the options" "grep -q 'data\\\\-dir' '$prefix/share/man/man1/vantro.1'"

# --help and --version need no display.
check "help without a display" "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '$prefix/bin/vantro' --help | grep -q -- --screenshots"
check "version" "[ \"\$('$prefix/bin/vantro' --version)\" = 'vantro $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")' ]"

data="$prefix/data"
out=$("$prefix/bin/vantro-cli" --data-dir "$data" --lang zh_CN screen settings 2>&1)
check "translated CLI output" "grep -q '^身高' <<<\"\$out\""

# The tour from the installed app, in Chinese; routine log lines stay out of its output.
"$prefix/bin/vantro" --lang zh_CN --data-dir "$data" --screenshots "$prefix/shots" >"$prefix/tour.out" 2>&1
status=$?
check "tour succeeds" "[ $status -eq 0 ]"
check "tour writes pictures" "[ \$(ls '$prefix/shots'/*.png 2>/dev/null | wc -l) -ge 6 ]"
check "quiet log" "! grep -q 'Wristband: simulated' '$prefix/tour.out'"
[ $fail -eq 0 ] || cat "$prefix/tour.out"
exit $fail
