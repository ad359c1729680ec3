#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds both targets from scratch and runs every test.
# Each stage is a script of its own in scripts/stages/, run in name order, each whatever became
# of the ones before. A stage exits 0 when it passed, 77 when something it needs could not be
# installed (after a line "SKIPPED: " and the reason; a stage that ran in part says which part
# did), anything else when it failed. Each stage's output is also kept in build/logs/. The last
# line counts the stages passed, failed and skipped; the exit status is 0 only when none failed.
set -euo pipefail
cd "$(dirname "$0")/.."
export STEPVEIL_ROOT=$PWD
export JOBS=${JOBS:-2}

bash scripts/install-deps.sh test

duration() {
    if (($1 >= 60)); then printf '%dm %02ds' $(($1 / 60)) $(($1 % 60)); else printf '%ds' "$1"; fi
}

logs=build/logs
mkdir -p "$logs"
passed=() failed=() skipped=() table=()
for stage in scripts/stages/*.sh; do
    name=$(basename "$stage" .sh)
    log=$logs/$name.log
    printf '\n=== %s\n' "$name"
    began=$SECONDS
    set +e
    bash "$stage" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    set -e
    took=$(duration $((SECONDS - began)))
    reason=$(sed -n 's/^SKIPPED: //p' "$log" | tail -n 1)
    if ((status == 0)); then
        verdict=passed note=""
        passed+=("$name")
    elif ((status == 77)) && [ -n "$reason" ]; then
        verdict=skipped note=$reason
        skipped+=("$name")
    else
        verdict=FAILED note="exit status $status, output in $log"
        # A stage that skips must say why; one that does not has failed.
        ((status != 77)) || note="exit status 77 without a SKIPPED line, output in $log"
        failed+=("$name")
    fi
    printf '=== %s %s in %s\n' "$name" "$verdict" "$took"
    table+=("$(printf '%-8s %-22s %8s  %s' "$verdict" "$name" "$took" "$note" | sed 's/ *$//')")
done

printf '\n=== Summary: %s in all\n' "$(duration "$SECONDS")"
printf '%s\n' "${table[@]}"
joined() { printf '%s, ' "$@" | sed 's/, $//'; }
summary="${#passed[@]} stages passed"
((${#passed[@]} != 1)) || summary="1 stage passed"
((${#failed[@]} == 0)) || summary+=", ${#failed[@]} failed: $(joined "${failed[@]}")"
if ((${#skipped[@]})); then
    separator=", "
    ((${#failed[@]} == 0)) || separator="; "
    summary+="$separator${#skipped[@]} skipped: $(joined "${skipped[@]}")"
fi
echo "$summary"
((${#failed[@]} == 0))
