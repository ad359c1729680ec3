#!/usr/bin/env bash
# The 32-bit Windows DLL in a real third-party Windows host: LMMS 1.2 (Debian's i386 build,
# which runs Windows plug-ins in a Wine helper process of its own) renders a project headless.
# For each case a project is written at a tempo and metre: one sample track playing a constant
# stereo signal through the DLL as an effect, with a program selected. The rendered audio must
# show the program's pattern at the project's tempo and equal what our own host renders
# (`stepveil render` with the Linux plug-in, whose output is bit-identical to the DLL's) for the
# same settings. One more render runs the DLL inside the recording DLL, which writes down what
# LMMS sends, summarised at the end.
#
# Usage: run-lmms-test.sh LINUX_BUILD WIN32_BUILD [WORK_DIR]
#   LINUX_BUILD  a Linux build with the targets stepveil_plugin, stepveil and ardour_gate_check
#   WIN32_BUILD  a 32-bit Windows build with the targets stepveil_plugin and stepveil_recorder
#   WORK_DIR     scratch folder, emptied first (default WIN32_BUILD/lmms-test)
set -euo pipefail

linux_build=$(cd "${1:?usage: run-lmms-test.sh LINUX_BUILD WIN32_BUILD [WORK_DIR]}" && pwd)
win32_build=$(cd "${2:?usage: run-lmms-test.sh LINUX_BUILD WIN32_BUILD [WORK_DIR]}" && pwd)
work=${3:-$win32_build/lmms-test}

plugin=$win32_build/plugin/Stepveil.dll
recorder=$win32_build/tests/ardour/StepveilRecorder.dll
linux_plugin=$linux_build/plugin/Stepveil.so
render_tool=$linux_build/tools/stepveil
checker=$linux_build/tests/ardour/ardour_gate_check

# The first render also makes LMMS's Wine prefix (about 20 s); later ones take a second or two.
render_timeout=180
# The constant input of the two channels, clear of any clipping.
input_left=0.5
input_right=-0.25
rate=44100
# LMMS processes in periods of 256 frames, and so calls the effect with blocks of 256.
lmms_block=256
# The unique id LMMS prints when it has loaded the plug-in (OVSV), whichever DLL wraps it.
unique_id_line="unique ID: OVSV"

fail() {
    echo "lmms test: $*" >&2
    exit 1
}
# shellcheck source=../ardour/host-test-helpers.sh
source "$(dirname "$0")/../ardour/host-test-helpers.sh"

for file in "$plugin" "$recorder" "$linux_plugin" "$render_tool" "$checker"; do
    [ -e "$file" ] || fail "missing $file"
done
# Only the i386 build hosts Windows plug-ins; the amd64 build drops the effect and still
# renders, so a wrong LMMS would pass on the exit status alone.
dpkg-query -W -f='${Status}' lmms:i386 2>/dev/null | grep -q "install ok installed" ||
    fail "LMMS's i386 build is not installed (lmms:i386 with lmms-vst-server:i386)"
command -v xvfb-run >/dev/null || fail "xvfb-run not found"

rm -rf "$work"
mkdir -p "$work"
# LMMS keeps its settings in HOME and its helper runs in a Wine prefix there: both the test's
# own. A prefix whose Wine server was started without a display makes LMMS wait for ever, so
# this prefix is never shared with the unit tests' ones.
export HOME=$work/home
export WINEPREFIX=$HOME/.wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no offers to install Mono or Gecko
mkdir -p "$HOME/lmms"
end_wine_server() {
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    timeout 30 wineserver -w >/dev/null 2>&1 || true
}
trap end_wine_server EXIT

# The plug-in's audio is processed in step with LMMS (syncvstplugins), no editor window is
# embedded, and effects keep running while their output is silent ("Keep effects running
# even without input"). Without that last setting LMMS stops calling any effect whose output
# has been silent for its Decay time and lets the dry input through until it restarts it: a
# gate's silent steps then let whole periods through at full level (docs/CHOICES.md).
cat >"$HOME/.lmmsrc.xml" <<XML
<?xml version="1.0"?>
<!DOCTYPE lmms-config-file>
<lmms version="1.2.2">
  <paths workingdir="$HOME/lmms/"/>
  <ui syncvstplugins="1" vstembedmethod="none" disableautoquit="1"/>
</lmms>
XML

# A project: one sample track playing SAMPLE from the start for BARS bars through the effect
# file EFFECT (Wine maps the Unix path to drive Z:) with program PROGRAM selected.
write_project() {
    local project=$1 tempo=$2 numerator=$3 denominator=$4 bars=$5 program=$6 sample=$7 effect=$8
    # LMMS counts 48 ticks to the quarter note.
    local ticks=$((bars * numerator * 4 * 48 / denominator))
    cat >"$project" <<XML
<?xml version="1.0"?>
<!DOCTYPE lmms-project>
<lmms-project version="1.0" creator="LMMS" creatorversion="1.2.2" type="song">
  <head bpm="$tempo" timesig_numerator="$numerator" timesig_denominator="$denominator" mastervol="100" masterpitch="0"/>
  <song>
    <trackcontainer type="song">
      <track type="2" name="Constant" muted="0" solo="0">
        <sampletrack vol="100" pan="0">
          <fxchain numofeffects="1" enabled="1">
            <effect name="vsteffect" on="1" wet="1" gate="0" autoquit="1" autoquit_numerator="4" autoquit_denominator="4" syncmode="0">
              <vsteffectcontrols plugin="$effect" program="$program"/>
              <key><attribute name="file" value="$effect"/></key>
            </effect>
          </fxchain>
        </sampletrack>
        <sampletco pos="0" len="$ticks" muted="0" src="$sample"/>
      </track>
    </trackcontainer>
    <fxmixer>
      <fxchannel num="0" name="Master" volume="1" muted="0" soloed="0">
        <fxchain numofeffects="0" enabled="0"/>
      </fxchannel>
    </fxmixer>
    <timeline lp0pos="0" lp1pos="192" lpstate="0"/>
    <controllers/>
  </song>
</lmms-project>
XML
}

# Renders a project to 32-bit float WAV; fails unless LMMS loaded the plug-in and wrote audio.
render_project() {
    local project=$1 output=$2 log=$3
    local status=0 started=$SECONDS
    (cd "$(dirname "$project")" && timeout --kill-after=10 "$render_timeout" xvfb-run -a \
        lmms --allowroot render "$project" -f wav -a -x 1 -o "$output") >"$log" 2>&1 ||
        status=$?
    echo "  LMMS rendered in $((SECONDS - started)) s (status $status)"
    if [ "$status" -ne 0 ] || ! grep -q "$unique_id_line" "$log" || [ ! -s "$output" ]; then
        tail -n 20 "$log" | sed 's/^/  | /'
        [ "$status" -eq 124 ] && fail "LMMS did not finish within $render_timeout s"
        grep -q "$unique_id_line" "$log" || fail "LMMS did not load the plug-in ($project)"
        fail "LMMS rendered nothing (status $status)"
    fi
}

# One case: constant input, reference render, LMMS render, audio checks.
run_case() {
    local name=$1 tempo=$2 numerator=$3 denominator=$4 program=$5 bars=$6 effect=$7
    local levels=${program_levels[$program]}
    local case_dir=$work/$name
    mkdir -p "$case_dir"
    local frames
    frames=$(awk -v r="$rate" -v t="$tempo" -v n="$numerator" -v d="$denominator" -v b="$bars" \
        'BEGIN { printf "%d", b * n * 4 / d * r * 60 / t }')
    echo "--- $name: $rate Hz, $tempo bpm, $numerator/$denominator, program $program, $bars bars"
    "$checker" constant --rate "$rate" --frames "$frames" --left "$input_left" \
        --right "$input_right" "$case_dir/input.wav"
    "$render_tool" render --plugin "$linux_plugin" --program "$program" --tempo "$tempo" \
        --meter "$numerator/$denominator" --block "$lmms_block" "$case_dir/input.wav" \
        "$case_dir/reference.wav" >"$case_dir/render.log" 2>&1 ||
        { cat "$case_dir/render.log"; fail "$name: stepveil render failed"; }
    write_project "$case_dir/project.mmp" "$tempo" "$numerator" "$denominator" "$bars" \
        "$program" "$case_dir/input.wav" "$effect"
    render_project "$case_dir/project.mmp" "$case_dir/export.wav" "$case_dir/lmms.log"
    # LMMS appends an empty bar: only the song's own frames are compared. It reports exact
    # positions, so a boundary may move by rounding alone.
    local compare=("$checker" compare --export "$case_dir/export.wav"
        --reference "$case_dir/reference.wav" --tempo "$tempo" --meter "$numerator/$denominator"
        --left "$input_left" --right "$input_right" --tolerance 2 --frames "$frames")
    local other=0
    [ "$program" -eq 0 ] && other=8
    check_render "$name: LMMS's render" "$levels" "${program_levels[$other]}" "${compare[@]}"
}

# What LMMS sent, from the recording DLL's journal.
summarise_journal() {
    local journal=$1
    [ -s "$journal" ] || fail "the recording DLL wrote no journal"
    summarise_calls "$journal"
    # samplePos counts the frames this plug-in process was given; ppqPos is the song's. Where
    # LMMS skips an effect, ppqPos runs ahead of samplePos by the frames it skipped.
    awk '
        $1 == "processReplacing" || $1 == "process" { blocks[$1 " " $2]++ }
        $1 == "time" {
            for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
            requests++
            if (v["playing"] == 1) playing++
            if (shown < 2) { print "  " $0; shown++ }
            ahead = v["ppqPos"] * v["sampleRate"] * 60 / v["tempo"] - v["samplePos"]
            if (ahead > 0.5 || ahead < -0.5) skipped++
        }
        END {
            for (b in blocks) printf "  %s: %d blocks\n", b, blocks[b]
            printf "  time requests: %d (%d while playing); ppqPos away from samplePos in %d\n",
                requests, playing, skipped
        }' "$journal"
}

echo "LMMS: $(dpkg-query -W -f='${Version}' lmms:i386), Wine: $(wine --version 2>/dev/null || echo unknown)"
# 120 bpm, and 90 and 100 bpm, where LMMS's stopping of silent effects showed most.
run_case "lmms-120" 120 4 4 0 2 "$plugin"
run_case "lmms-90" 90 4 4 8 2 "$plugin"
# The recording DLL, given Windows paths, wraps the plug-in and journals in its own process.
export STEPVEIL_RECORDER_TARGET="Z:${plugin//\//\\}"
export STEPVEIL_RECORDER_LOG="Z:${work//\//\\}\\journal-%p.txt"
run_case "recorded" 100 3 4 0 2 "$recorder"
unset STEPVEIL_RECORDER_TARGET STEPVEIL_RECORDER_LOG

journals=("$work"/journal-*.txt)
[ "${#journals[@]}" -eq 1 ] || fail "expected one journal (one plug-in process), found ${#journals[@]}"
echo "--- what LMMS sent (journal: ${journals[0]})"
summarise_journal "${journals[0]}"
echo "lmms test passed"
