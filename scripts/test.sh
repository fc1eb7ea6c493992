#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-packages.sh"
bash "$root/scripts/build.sh"
ctest --test-dir "$root/build" --output-on-failure
