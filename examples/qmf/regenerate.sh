#!/usr/bin/env bash
# Rewrites examples/qmf/sample.qmf and the checker.png its checker material names with the
# fixture writer (build the qmfwrite target first).
#   examples/qmf/regenerate.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../../build}"
"$build/bin/qmfwrite" sample "$here/sample.qmf"
"$build/bin/qmfwrite" checker "$here/checker.png"
echo "wrote $here/sample.qmf and $here/checker.png"
