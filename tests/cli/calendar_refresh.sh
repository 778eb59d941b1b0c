#!/bin/sh
# nodo-cli calendar-wallpaper as a user has it: switched on and off through the real systemctl over
# the units the package installs, and the daily refresh on MATE (gsettings over dconf, on a bus of
# its own), which lays the month, then keeps a wallpaper set by hand and says so.
#   calendar_refresh.sh NODO_CLI UNITS_DIR
set -eu
cli=$1
units=$2
t=$(mktemp -d /tmp/nodo-refresh-XXXXXX)
trap 'rm -rf "$t"' EXIT
export HOME="$t/home" XDG_CONFIG_HOME="$t/home/.config" XDG_DATA_HOME="$t/home/.local/share" \
  XDG_STATE_HOME="$t/home/.local/state" XDG_CACHE_HOME="$t/home/.cache" XDG_RUNTIME_DIR="$t/run"
mkdir -p "$XDG_DATA_HOME/systemd/user" "$XDG_RUNTIME_DIR" "$t/app/data" "$t/app/source/DeskTopBG"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$units"/nodo-calendar-wallpaper.* "$XDG_DATA_HOME/systemd/user/"
convert -size 1024x768 xc:'#3366aa' "BMP3:$t/app/source/DeskTopBG/Ground.bmp"
printf 'Ground.bmp\r\n' > "$t/app/data/BGPicList.ini"

failures=0
expect() { # expect WHAT TEXT-OR-REGEX OUTPUT
  if printf '%s\n' "$3" | grep -Eq -- "$2"; then echo "ok: $1"; else
    echo "FAILED: $1: no /$2/ in:"; printf '%s\n' "$3"; failures=$((failures + 1)); fi
}

expect "off at first" '^refresh: off' "$("$cli" calendar-wallpaper status)"
expect "nothing laid yet" '^last month laid: never' "$("$cli" calendar-wallpaper status)"
expect "switched on" '^on ' "$("$cli" calendar-wallpaper on)"
expect "the timer is wanted" 'nodo-calendar-wallpaper.timer' "$(ls "$XDG_CONFIG_HOME/systemd/user/timers.target.wants")"
expect "on after" '^refresh: on' "$("$cli" calendar-wallpaper status)"

export XDG_CURRENT_DESKTOP=MATE GSETTINGS_BACKEND=dconf
dbus-run-session -- sh -eu -c '
  cli=$1 app=$2 t=$3
  get() { gsettings get org.mate.background picture-filename; }
  out=$("$cli" calendar-wallpaper refresh --app-folder "$app" 2>&1) || { echo "FAILED: refresh: $out"; exit 1; }
  laid=$(printf "%s\n" "$out" | sed -n "s/^wallpaper: //p")
  [ -n "$laid" ] && [ "$(get)" = "'"'"'$laid'"'"'" ] || { echo "FAILED: the first refresh lays the month: $out / $(get)"; exit 1; }
  echo "ok: the first refresh lays the month"
  gsettings set org.mate.background picture-filename "$t/mine.png"
  out=$("$cli" calendar-wallpaper refresh --app-folder "$app" 2>&1)
  printf "%s\n" "$out" | grep -q "^kept: the wallpaper $t/mine.png was set by hand" || { echo "FAILED: kept: $out"; exit 1; }
  [ "$(get)" = "'"'"'$t/mine.png'"'"'" ] || { echo "FAILED: the hand-set wallpaper stays: $(get)"; exit 1; }
  echo "ok: a refresh keeps the wallpaper set by hand"
  "$cli" calendar-wallpaper status | grep -q "^set by hand since: $t/mine.png" || { echo "FAILED: status: $("$cli" calendar-wallpaper status)"; exit 1; }
  echo "ok: status tells"
  "$cli" apply --calendar --app-folder "$app" >/dev/null 2>&1
  out=$("$cli" calendar-wallpaper refresh --app-folder "$app" 2>&1)
  printf "%s\n" "$out" | grep -q "^wallpaper: " || { echo "FAILED: after apply --calendar the refresh lays again: $out"; exit 1; }
  "$cli" calendar-wallpaper status | grep -q "^the desktop shows the month laid last" || { echo "FAILED: status after: $("$cli" calendar-wallpaper status)"; exit 1; }
  echo "ok: apply --calendar lays it again, and the refresh goes on"
' sh "$cli" "$t/app" "$t" || failures=$((failures + 1))

expect "switched off" '^off ' "$("$cli" calendar-wallpaper off)"
expect "off after" '^refresh: off' "$("$cli" calendar-wallpaper status)"
[ "$failures" -eq 0 ]
