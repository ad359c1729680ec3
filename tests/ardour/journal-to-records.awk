# Turns a recording plug-in's journal into the time records of its processing blocks, as a C++
# header for the host-level tests: one {frames, samplePos, ppqPos, barStartPos, flags} line per
# block (each block's "processReplacing frames=N" line is followed by its "time" line).
# `blocks` picks blocks by number, counted from 1, as ranges: awk -v blocks=96-104,124-142.
BEGIN {
    count = split(blocks, ranges, ",")
    for (i = 1; i <= count; i++) {
        split(ranges[i], ends, "-")
        first[i] = ends[1]
        last[i] = ends[2] == "" ? ends[1] : ends[2]
    }
    print "// Made by tests/ardour/record-ardour-transport.sh from a journal of the recording plug-in:"
    print "// what Ardour told the plug-in, block by block, while its transport stood, was located,"
    print "// rolled, stopped, jumped and looped (48 kHz, 120 bpm, 4/4, 1024-frame cycles)."
    print "// Do not edit by hand. Blocks of the journal kept:"
    print "// " blocks
    print "#pragma once"
    print ""
    print "struct RecordedBlock {"
    print "    int frames;"
    print "    double samplePos, ppqPos, barStartPos;"
    print "    int flags;"
    print "};"
    print ""
    print "constexpr RecordedBlock ardourTransportBlocks[] = {"
}
$1 == "processReplacing" || $1 == "process" { split($2, kv, "="); frames = kv[2]; next }
$1 == "time" && frames != "" {
    block++
    for (i = 2; i <= NF; i++) { split($i, kv, "="); value[kv[1]] = kv[2] }
    for (i = 1; i <= count; i++) {
        if (block >= first[i] && block <= last[i]) {
            printf "    {%d, %s, %s, %s, %s},\n", frames, value["samplePos"], value["ppqPos"],
                value["barStartPos"], value["flags"]
        }
    }
    frames = ""
}
END { print "};" }
