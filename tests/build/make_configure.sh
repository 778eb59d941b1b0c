#!/bin/sh
# `make` configures a build folder again when it is given other flags or another build type than
# the folder was configured with, and leaves it alone otherwise.
#   make_configure.sh SOURCE_DIR
set -eu
SRC="$1"
B="$(mktemp -d /tmp/nodo-make-configure-XXXXXX)"
trap 'rm -rf "$B"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cache() { grep -E "^$1:" "$B/CMakeCache.txt" | sed 's/^[^=]*=//'; }
run() { make -s -C "$SRC" configure BUILD="$B" "$@" 2>&1; }

run >/dev/null
[ "$(cache CMAKE_BUILD_TYPE)" = RelWithDebInfo ] || fail "first configure: $(cache CMAKE_BUILD_TYPE)"

out="$(run CMAKE_FLAGS=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON)"
[ "$(cache CMAKE_COMPILE_WARNING_AS_ERROR)" = ON ] || fail "flags on an existing build were ignored: $out"

out="$(run CMAKE_FLAGS=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON)"
case "$out" in *"Build files have been written"*) fail "the same flags configured again" ;; esac

out="$(run)"
case "$out" in *"Build files have been written"*) fail "no flags given, yet configured again" ;; esac
[ "$(cache CMAKE_COMPILE_WARNING_AS_ERROR)" = ON ] || fail "a make without flags dropped them"

run BUILD_TYPE=Debug CMAKE_FLAGS= >/dev/null
[ "$(cache CMAKE_BUILD_TYPE)" = Debug ] || fail "another build type was ignored"
[ -z "$(cache CMAKE_COMPILE_WARNING_AS_ERROR)" ] || fail "flags no longer given stayed in the cache"
echo "make configures again exactly when the flags change"
