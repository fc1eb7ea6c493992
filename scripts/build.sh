#!/usr/bin/env bash
# Configures and builds into build/ at the top of the repository: the given
# targets, or everything.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=()
for target in "$@"; do
  targets+=(--target "$target")
done
cmake --build "$root/build" "${targets[@]}"
