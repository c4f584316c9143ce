#!/usr/bin/env bash
# Builds the project and runs the main job on the built-in sample printer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
"$top/scripts/build.sh"
exec "$build/bin/korvane-print" --batch --printer sample --dry-run --dump --calls panelView,willShow,restore,ops,save,shouldPrint,summary "$@"
