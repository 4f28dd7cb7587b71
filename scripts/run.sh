#!/usr/bin/env bash
# Starts the program from a build folder.
set -euo pipefail
bin=${1:?usage: run.sh BIN_DIR}
if [ ! -x "$bin/parlet" ]; then
  echo "run: the program is not built yet (no $bin/parlet)" >&2
  exit 1
fi
exec "$bin/parlet"
