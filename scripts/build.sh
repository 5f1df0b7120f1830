#!/usr/bin/env bash
# Installs what is missing and builds into build/: the given targets, or everything.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build ${1:+--target "$@"}
