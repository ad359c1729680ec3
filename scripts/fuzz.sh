#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang in build/fuzz (address and undefined-
# behaviour sanitizers, libFuzzer) and runs them, each single-process for a bounded time:
#
#   bash scripts/fuzz.sh [--seconds N] [--parallel N] [TARGET...]
#
# TARGET is dispatcher, processing, command_line or audio_file (default: all four); --seconds
# is each target's time (default 60); --parallel how many targets run at once (default 1).
# Each target starts from its seeds in tests/fuzz/corpus/TARGET and keeps what it learns in
# build/fuzz/corpus/TARGET, so later runs go on from there. An input that crashes, hangs or
# makes a sanitizer report is saved in build/fuzz/findings/ and the script fails; replay it
# with `build/fuzz/tests/fuzz/fuzz_TARGET FILE`.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
parallel=1
targets=()
while (($#)); do
    case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --parallel) parallel=$2; shift 2 ;;
    -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) targets+=("$1"); shift ;;
    esac
done
known=(dispatcher processing command_line audio_file)
if ((${#targets[@]} == 0)); then
    targets=("${known[@]}")
fi
for target in "${targets[@]}"; do
    if [[ " ${known[*]} " != *" $target "* ]]; then
        echo "unknown fuzz target: $target (known: ${known[*]})" >&2
        exit 2
    fi
done

build=build/fuzz
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTEPVEIL_WERROR=ON -DSTEPVEIL_SANITIZE=address,undefined \
    -DSTEPVEIL_FUZZ=ON -DSTEPVEIL_TESTS=OFF -DSTEPVEIL_BENCH=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target stepveil_fuzzers
mkdir -p "$build/findings" "$build/logs"

# One target: its seeds copied into the working corpus, then libFuzzer for the given time.
# An input running longer than 10 s counts as a hang; more than 2 GiB of memory as a finding.
run_target() {
    local target=$1
    local program=$build/tests/fuzz/fuzz_$target
    local corpus=$build/corpus/$target
    local log=$build/logs/$target.log
    local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
                   -print_final_stats=1 -artifact_prefix="$build/findings/$target-")
    case "$target" in
    # Sequences of calls: long inputs from the start, as one call takes a few bytes.
    dispatcher | processing) options+=(-max_len=1024 -len_control=0) ;;
    command_line) options+=(-max_len=512) ;;
    *) options+=(-max_len=8192) ;;
    esac
    if [[ -f tests/fuzz/$target.dict ]]; then
        options+=(-dict="tests/fuzz/$target.dict")
    fi
    mkdir -p "$corpus"
    cp -n tests/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
    # libFuzzer ends itself after max_total_time; the timeout only guards against a stuck run.
    if timeout $((seconds + 120)) "$program" "${options[@]}" "$corpus" >"$log" 2>&1; then
        # The library under test may write to the same stream; take the report from anywhere.
        printf '%-13s %s\n' "$target" "$(grep -aoE '#[0-9]+[[:space:]]+DONE.*' "$log" | tail -1)"
        return 0
    fi
    printf '%-13s FAILED; the end of %s:\n' "$target" "$log"
    grep -v '^INFO:' "$log" | tail -40
    return 1
}

failed=0
running=0
for target in "${targets[@]}"; do
    run_target "$target" &
    running=$((running + 1))
    if ((running >= parallel)); then
        wait -n || failed=1
        running=$((running - 1))
    fi
done
while ((running > 0)); do
    wait -n || failed=1
    running=$((running - 1))
done
if ((failed)); then
    echo "fuzzing found a problem; inputs are in $build/findings/"
    exit 1
fi
