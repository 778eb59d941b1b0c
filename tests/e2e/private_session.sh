#!/bin/sh
# Fails when a test could reach the session of whoever runs the suite.
fail() { echo "not private: $*"; exit 1; }
[ -n "$NODO_TEST_SESSION" ] && [ -d "$NODO_TEST_SESSION" ] || fail "no private session folder"
case "$HOME" in "$NODO_TEST_SESSION"/*) ;; *) fail "HOME is $HOME" ;; esac
for v in "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"; do
  case "$v" in "$NODO_TEST_SESSION"/*) ;; *) fail "an XDG folder is $v" ;; esac
done
[ "$DISPLAY" = "$(cat "$NODO_TEST_SESSION/display")" ] || fail "DISPLAY is $DISPLAY"
[ -z "$NODO_CALLER_DISPLAY" ] || [ "$DISPLAY" != "$NODO_CALLER_DISPLAY" ] || fail "the caller's display"
[ "$DBUS_SESSION_BUS_ADDRESS" = "unix:path=$NODO_TEST_SESSION/bus" ] || fail "the bus is $DBUS_SESSION_BUS_ADDRESS"
[ -z "$XDG_CURRENT_DESKTOP" ] || fail "XDG_CURRENT_DESKTOP is $XDG_CURRENT_DESKTOP"
echo "private session: $NODO_TEST_SESSION"
