#!/usr/bin/env bash
# Builds the Debian package in a release tree of its own (build-package.sh)
# and checks it: lintian without errors or warnings, the hardening of its
# programs (readelf), the files it holds and the libraries it depends on
# (dpkg-deb), the desktop file (desktop-file-validate) and the AppStream
# metainfo (appstreamcli, offline); then installs the program into a staging
# folder (DESTDIR), makes the program folder read-only and runs it from there:
# it must speak German from its installed catalogues under a German LANG,
# pick the settings file under XDG_CONFIG_HOME and end cleanly on SIGTERM.
#
# usage: check-package.sh [BUILD_DIR]   (default: build/package)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-$here/build/package}" && cd "${1:-$here/build/package}" && pwd)
fail() {
  echo "check-package: $*" >&2
  exit 1
}

deb=$(bash "$here/scripts/build-package.sh" "$build" | tail -1)
echo "check-package: built $deb"

# --- Debian's own checks ---
lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian found errors or warnings"
echo "check-package: lintian passed"

# The package's files, unpacked once for the checks below.
unpacked="$build/check/unpacked"
rm -rf "$build/check"
mkdir -p "$unpacked"
dpkg-deb -x "$deb" "$unpacked"

# --- hardening, as dpkg-buildflags asks for it ---
for program in parlet parlet-ffsk; do
  binary="$unpacked/usr/bin/$program"
  readelf -hW "$binary" | grep -q 'Type: *DYN' || fail "$program is not position independent"
  readelf -lW "$binary" | grep -q GNU_RELRO || fail "$program has no RELRO"
  readelf -dW "$binary" | grep -Eq 'BIND_NOW|FLAGS.*NOW' || fail "$program is not linked with BIND_NOW"
  symbols=$(readelf --dyn-syms -W "$binary")
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "$program is built without the stack protector"
  grep -Eq '__[a-z0-9_]+_chk(@|$| )' <<<"$symbols" || fail "$program is built without FORTIFY_SOURCE"
done
echo "check-package: parlet and parlet-ffsk are hardened (PIE, RELRO, BIND_NOW, stack protector, FORTIFY)"

# --- what the package holds ---
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(
  ./usr/bin/parlet
  ./usr/bin/parlet-ffsk
  ./usr/share/applications/org.parlet.Parlet.desktop
  ./usr/share/metainfo/org.parlet.Parlet.metainfo.xml
  ./usr/share/icons/hicolor/scalable/apps/org.parlet.Parlet.svg
  ./usr/share/icons/hicolor/48x48/apps/org.parlet.Parlet.png
  ./usr/share/icons/hicolor/64x64/apps/org.parlet.Parlet.png
  ./usr/share/icons/hicolor/128x128/apps/org.parlet.Parlet.png
  ./usr/share/icons/hicolor/256x256/apps/org.parlet.Parlet.png
  ./usr/share/man/man1/parlet.1.gz
  ./usr/share/man/man1/parlet-ffsk.1.gz
  ./usr/lib/udev/rules.d/70-parlet-usb-radio.rules
  ./usr/share/parlet/locale/de/LC_MESSAGES/cport.mo
  ./usr/share/parlet/locale/de/LC_MESSAGES/default.mo
  ./usr/share/doc/parlet/copyright
  ./usr/share/doc/parlet/changelog.Debian.gz
  ./usr/share/lintian/overrides/parlet
  ./usr/lib/systemd/user/parlet-headless.service
  ./usr/lib/systemd/user/parlet-mqtt-bridge.service
  ./usr/share/dbus-1/interfaces/org.parlet.Parlet1.xml
  ./usr/share/parlet/parlet-mqtt-bridge
)
for file in "${expected[@]}"; do
  grep -qxF "$file" <<<"$contents" || fail "$file is missing from the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6dbus6 libasound2 libudev1; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
# Only what is listed above and the folders holding it.
unexpected=$(grep -v '/$' <<<"$contents" | grep -vxF -f <(printf '%s\n' "${expected[@]}") || true)
[ -z "$unexpected" ] || fail "the package holds files nobody listed: $unexpected"
echo "check-package: contents and dependencies as expected"

# --- desktop file and metainfo, as installed ---
desktop-file-validate "$unpacked/usr/share/applications/org.parlet.Parlet.desktop"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/org.parlet.Parlet.metainfo.xml"
zcat "$unpacked/usr/share/man/man1/parlet.1.gz" | grep -qF '\-\-config' || fail "the manual page lacks --config"

# --- the program from a staged install with a read-only program folder ---
stage="$build/check/stage"
home="$build/check/home"
DESTDIR="$stage" cmake --install "$build" >/dev/null
mkdir -p "$home/config" "$home/data" "$home/run"
chmod 700 "$home/run"
chmod -R a-w "$stage/usr/bin"
# The installed catalogues, found from the installed program wherever its
# tree is: a German start speaks German.
german=$(env LANG=de_DE.UTF-8 LANGUAGE= LC_ALL= LC_MESSAGES= "$stage/usr/bin/parlet" --help)
grep -q '^Aufruf: parlet' <<<"$german" || fail "the staged program does not speak German: $german"
german=$(env LANG=de_DE.UTF-8 LANGUAGE= LC_ALL= LC_MESSAGES= "$stage/usr/bin/parlet" --bogus 2>&1 || true)
grep -q "^parlet: unbekannte Option '--bogus'" <<<"$german" || fail "an option error is not in German: $german"
echo "check-package: the staged program speaks German from its installed catalogues"
pulse="$build/check/pulse"
bash "$here/scripts/sound-server.sh" start "$pulse" >/dev/null
trap 'bash "$here/scripts/sound-server.sh" stop "$pulse" >/dev/null; chmod -R u+w "$build/check"' EXIT

# Root writes into read-only folders: run as an ordinary user of a user
# namespace of its own, which owns nothing here but what it is given.
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(unshare --user --map-user=1000 --map-group=1000)
log="$build/check/parlet.log"
env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u PULSE_SERVER \
  QT_QPA_PLATFORM=offscreen PULSE_RUNTIME_PATH="$pulse" HOME="$home" \
  XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run" \
  "${as_user[@]}" "$stage/usr/bin/parlet" >"$log" 2>&1 &
pid=$!
settings="$home/config/Parlet/ZYNClient.ini"
# Up when the settings file holds the band written at every start.
for _ in $(seq 100); do
  grep -qs '^FBand=1' "$settings" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -qs '^FBand=1' "$settings"; then
  kill -KILL "$pid" 2>/dev/null || true
  cat "$log" >&2
  fail "the staged program did not start on $settings"
fi
sleep 0.5
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
cat "$log"
[ "$status" -eq 0 ] || fail "the staged program ended with status $status on SIGTERM"
grep -qF "parlet: settings file $settings" "$log" || fail "no line names the settings file in use"
[ ! -e "$stage/usr/bin/ZYNClient.ini" ] || fail "a settings file was written into the program folder"
echo "check-package: the staged program used $settings and ended cleanly"
