#!/usr/bin/env bash
# Fuzzing: libFuzzer drives the dispatcher and the other record entries, the gate's audio
# path, and the tool's command line and audio input, under the address and undefined-
# behaviour sanitizers, each for a minute (STEPVEIL_FUZZ_SECONDS), two at a time on two
# cores. scripts/fuzz.sh builds them with clang in build/fuzz; it also runs longer on demand.
set -euo pipefail
cd "$STEPVEIL_ROOT"
bash scripts/fuzz.sh --seconds "${STEPVEIL_FUZZ_SECONDS:-60}" --parallel "$JOBS"
