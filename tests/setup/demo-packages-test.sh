#!/usr/bin/env bash
# The demo's packages are enough for what the demo builds, and are all of the machine's own
# architecture, so that the demo needs neither the tests' packages nor Debian's i386 index.
# Every file under /usr that the plug-in's and the tool's objects were compiled and linked
# with (the compiler's dependency files and the link lines of this build folder, outside the
# tests and benchmarks) must belong to a package of the demo's list or to one that those
# depend on: a library added to the build but not to the list fails here, not on a new machine.
#
#   demo-packages-test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build_dir=$2
status=0

mapfile -t demo < <(bash "$source_dir/scripts/install-deps.sh" --list build)
for package in "${demo[@]}"; do
    if [[ $package == *:* ]]; then
        echo "the demo's list names $package, of another architecture"
        status=1
    fi
done

# The files used, and the packages they come from (through the alternatives' links if need be).
mapfile -t files < <(find "$build_dir" \( -path "$build_dir/tests" -o -path "$build_dir/bench" \) \
    -prune -o \( -name '*.o.d' -o -name link.txt \) -print0 | xargs -0 cat |
    grep -o '/usr/[^ :\\]*' | sort -u)
if ((${#files[@]} < 50)); then
    echo "only ${#files[@]} system files found in $build_dir: is it built?"
    exit 1
fi
# owned[FILE]: the first package that FILE belongs to, without its architecture.
declare -A owned=()
record_owners() {
    local line owner
    while IFS= read -r line; do
        owner=${line%%: *}
        owner=${owner%%, *}
        owned[${line#*: }]=${owner%%:*}
    done < <(dpkg-query -S "$@" 2>/dev/null | grep -v '^diversion' || true)
}
record_owners "${files[@]}"
unowned=()
for file in "${files[@]}"; do
    [ -z "${owned[$file]:-}" ] || continue
    real=$(realpath "$file")
    record_owners "$real"
    owned[$file]=${owned[$real]:-}
    [ -n "${owned[$file]}" ] || unowned+=("$file")
done
((${#unowned[@]} == 0)) || printf 'owned by no package (not checked): %s\n' "${unowned[@]}"

# The demo's packages and everything they depend on, among the packages installed.
closure=$(dpkg-query -W -f='${db:Status-Abbrev}\t${Package}\t${Provides}\t${Depends}, ${Pre-Depends}\n' |
    awk -F'\t' -v roots="${demo[*]}" '
    $1 !~ /^ii/ { next }
    {
        depends[$2] = depends[$2] "," $4
        n = split($3, provided, /, */)
        for (i = 1; i <= n; i++) { sub(/ .*/, "", provided[i]); providers[provided[i]] = providers[provided[i]] " " $2 }
    }
    END {
        count = split(roots, queue, " ")
        for (head = 1; head <= count; head++) {
            name = queue[head]
            if (name in seen) continue
            seen[name] = 1
            print name
            names = depends[name] "," providers[name]
            gsub(/\([^)]*\)/, "", names)
            n = split(names, next_names, /[,| ]+/)
            for (i = 1; i <= n; i++) {
                candidate = next_names[i]
                sub(/:.*/, "", candidate)
                if (candidate ~ /^[a-z0-9]/ && !(candidate in seen)) queue[++count] = candidate
            }
        }
    }')
declare -A in_closure=()
while IFS= read -r package; do in_closure[$package]=1; done <<<"$closure"

for file in "${files[@]}"; do
    owner=${owned[$file]}
    if [ -n "$owner" ] && [ -z "${in_closure[$owner]:-}" ]; then
        echo "$file comes from $owner, which the demo does not install (scripts/install-deps.sh)"
        status=1
    fi
done
((status)) || echo "${#files[@]} system files, all from the demo's ${#demo[@]} packages and their dependencies"
exit "$status"
