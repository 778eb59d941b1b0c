#!/bin/sh
# The Debian package for the tests: `deb.sh build BUILD OUT [CPACK]` makes it in OUT, `deb.sh lintian OUT`
# checks it. Both skip (exit 77) where the package cannot be made.
set -eu
case "$1" in
build)
  build=$2 out=$3 cpack=${4:-cpack}
  if ! command -v dpkg-deb >/dev/null 2>&1; then
    echo "skipped: dpkg-deb is missing, so no .deb is built (scripts/install-deps installs dpkg-dev)"
    exit 77
  fi
  rm -rf "$out"
  "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$out"
  ls "$out"/nodo_*.deb
  ;;
lintian)
  out=$2
  deb=$(ls "$out"/nodo_*.deb 2>/dev/null | head -n 1 || true)
  if [ -z "$deb" ]; then
    echo "skipped: no .deb was built (dpkg-deb is missing)"
    exit 77
  fi
  # Errors fail; warnings and notes are shown for the reader.
  report=$(lintian --info --display-info "$deb" 2>&1) || true
  printf '%s\n' "$report"
  if printf '%s\n' "$report" | grep -q '^E: '; then
    echo "lintian reports errors"
    exit 1
  fi
  ;;
*)
  echo "usage: deb.sh build BUILD OUT [CPACK] | deb.sh lintian OUT" >&2
  exit 2
  ;;
esac
