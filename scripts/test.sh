#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds both targets from scratch and runs every test.
# Each stage is a script of its own in scripts/stages/, run in name order.
set -euo pipefail
cd "$(dirname "$0")/.."
export STEPVEIL_ROOT=$PWD
export JOBS=${JOBS:-2}

bash scripts/install-deps.sh test

for stage in scripts/stages/*.sh; do
    printf '\n=== %s\n' "$(basename "$stage" .sh)"
    bash "$stage"
done
printf '\n=== every stage passed\n'
