#!/bin/sh
# Builds kelb-cu and runs it in debug mode on a fresh backing file.
# Usage: scripts/demo.sh [kelb-cu arguments, e.g. 230 or reset]
# Without arguments (and in a terminal) the interactive dialogue runs.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh native
cmake --preset linux >/dev/null
cmake --build --preset linux --target kelb-cu
file=build/demo-nvram.bin
rm -f "$file" && : > "$file"
set +e
build/linux/src/kelb-cu -d "$file" "$@"
status=$?
# The record is there only once something was stored (not after a reset of
# the empty file, an interruption or a refused run).
size=$(wc -c < "$file")
if [ "$size" -ge 254 ]; then
  echo "kelb-cu exited with status $status; backing file $file:"
  od -A d -t x1 -j 248 "$file"
else
  echo "kelb-cu exited with status $status; backing file $file holds no record ($size bytes)."
fi
exit $status
