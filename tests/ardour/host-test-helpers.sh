# Shell functions shared by the tests in real hosts (run-ardour-test.sh and
# tests/lmms/run-lmms-test.sh), which source this file and define `fail MESSAGE`.

# Factory levels in 32nds of programs 0 ("Quick Move") and 8 ("Total Stutter"), from the
# program table, as the independent expectation.
declare -A program_levels=(
    [0]="32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0"
    [8]="32 0 32 0 32 0 32 0 32 0 32 0 32 0 32 0 32 0 32 0 32 0 32 0 32 0 32 0 32 0 32 0"
)

# check_render LABEL LEVELS OTHER_LEVELS CHECKER_COMMAND...
# Runs the checker's comparison with the program's levels (its report indented), then with
# another program's levels, which must fail: a checker that cannot fail proves nothing.
check_render() {
    local label=$1 levels=$2 other_levels=$3
    shift 3
    "$@" --levels "$levels" | sed 's/^/  /' || fail "$label does not match"
    if "$@" --levels "$other_levels" >/dev/null; then
        fail "$label: the checker also accepts another program's levels"
    fi
}

# summarise_calls JOURNAL
# The recording plug-in's dispatcher opcodes and calls to the host (time requests aside), in
# order of first use with their counts.
summarise_calls() {
    local journal=$1 kind
    for kind in dispatcher host; do
        if [ "$kind" = dispatcher ]; then
            echo "  dispatcher opcodes in order of first use (count):"
        else
            echo "  calls to the host other than time requests (count):"
        fi
        awk -v kind="$kind" '$1 == kind { if (!($2 in count)) order[++n] = $2; count[$2]++ }
            END { for (i = 1; i <= n; i++) printf "    %s x%d\n", order[i], count[order[i]] }' \
            "$journal"
    done
}
