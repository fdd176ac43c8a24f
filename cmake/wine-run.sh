#!/bin/sh
# Runs a Windows test program under wine with a private, quiet prefix.
: "${KELB_WINE_DIR:=${TMPDIR:-/tmp}/kelb-wine-$(id -u)}"
mkdir -p "$KELB_WINE_DIR/home"
export WINEPREFIX="$KELB_WINE_DIR/prefix" HOME="$KELB_WINE_DIR/home" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
