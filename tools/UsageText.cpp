// The texts of --help, kept apart from the parser so that they read as one piece.
#include "tools/CommandLine.h"

namespace stepveil::tool {
namespace {

constexpr const char* overviewText = R"(Usage: stepveil COMMAND [OPTIONS]

Runs the Stepveil plug-in file as a host would.

Commands:
  render [OPTIONS] [INPUT] OUTPUT   gate an audio file (or the built-in source) into OUTPUT
  info [OPTIONS]                    show what a host sees of the plug-in
  snapshot [OPTIONS] OUTPUT.png     save a picture of the plug-in's editor
  open [OPTIONS]                    show the plug-in's editor in a window (X11)

Every command takes the programs of a bank file (--bank FILE.fxb) and of a program file
(--preset FILE.fxp), as VST 2 hosts export them; `open --save` writes them.
  help [COMMAND]                    show this text, or a command's own

Options for every command:
  -h, --help      show help
  --version       show the tool's version

Exit status: 0 success, 1 failure (files, plug-in), 2 wrong command line.
)";

constexpr const char* renderText = R"(Usage: stepveil render [OPTIONS] [INPUT] OUTPUT

Gates INPUT through the plug-in into OUTPUT. Without INPUT the built-in source is gated: a
synthesised stereo pad, one chord per bar (A minor, F, C, G) over a low pulse, in tempo.

INPUT is any file libsndfile reads, mono or stereo; a mono file is gated as both channels
and written mono. OUTPUT is WAV or FLAC, chosen by its extension (.wav, .flac). OUTPUT is
only replaced once the whole render has succeeded.

Options:
  --plugin PATH       the plug-in file (default: the one built beside this tool)
  --bank FILE.fxb     load a bank file's programs first
  --program N|NAME    program number or name, such as 8 or "Total Stutter" (default: the
                      bank's current program, else 0)
  --preset FILE.fxp   load a program file into that program
  --levels a,b,...    32 step levels in 32nds (0..32), set after the program
  --tempo BPM         tempo, 1..1000 (default 120)
  --meter N/D         time signature, N 1..64, D 1, 2, 4, ... 64 (default 4/4)
  --start PPQ         song position of the first sample in quarter notes (default 0)
  --rate HZ           sample rate of the built-in source, 8000..768000 (default 44100);
                      with INPUT it must match the input's rate (nothing is resampled)
  --bars N            length of the built-in source in bars (default 4)
  --seconds S         length of the built-in source in seconds
  --block N           samples per processing block, 1..65536 (default 512)
  --accumulate        use the plug-in's accumulating process entry
  --format F          sample format of OUTPUT: float (WAV default), double, pcm16,
                      pcm24 (FLAC default) or pcm32; FLAC takes pcm16 or pcm24 only
)";

constexpr const char* infoText = R"(Usage: stepveil info [--plugin PATH] [--bank FILE.fxb] [--preset FILE.fxp]

Loads the plug-in file and lists what a host sees: name, vendor, product, version, unique
id, flags, channels, the current program, the programs with their names and levels (in
32nds), and the parameter names. With --bank or --preset, after loading those files: a way
to look into them.

Options:
  --plugin PATH       the plug-in file (default: the one built beside this tool)
  --bank FILE.fxb     load a bank file's programs first
  --preset FILE.fxp   load a program file into the current program
)";

constexpr const char* snapshotText = R"(Usage: stepveil snapshot [OPTIONS] OUTPUT.png

Opens the plug-in's editor in a window of the tool's own, as a host would, lets it paint
and saves what it shows as a PNG picture. No screen is needed. OUTPUT is only replaced once
the picture is complete.

Options:
  --plugin PATH       the plug-in file (default: the one built beside this tool)
  --bank FILE.fxb     load a bank file's programs first
  --program N|NAME    program number or name whose levels the editor shows (default: the
                      bank's current program, else 0)
  --preset FILE.fxp   load a program file into that program
  --levels a,b,...    32 step levels in 32nds (0..32), set after the program
)";

constexpr const char* openText = R"(Usage: stepveil open [OPTIONS]

Shows the plug-in's editor in a window on the X display ($DISPLAY), as a host would, until
the window is closed (or Ctrl-C). Every level the editor changes is printed as the host
receives it, with the plug-in's own texts, such as:
  Level 5 = 0.40625 (-7.8 dB)

Options:
  --plugin PATH       the plug-in file (default: the one built beside this tool)
  --bank FILE.fxb     load a bank file's programs first
  --program N|NAME    program number or name whose levels the editor shows (default: the
                      bank's current program, else 0)
  --preset FILE.fxp   load a program file into that program
  --save FILE.fxb|FILE.fxp
                      when the window closes (or on Ctrl-C), write the whole bank (.fxb) or
                      the current program (.fxp) there, for hosts and `stepveil --bank`;
                      an earlier file is replaced only once the new one is complete
)";

} // namespace

std::string usageText(std::string_view topic) {
    if (topic == "render") {
        return renderText;
    }
    if (topic == "info") {
        return infoText;
    }
    if (topic == "snapshot") {
        return snapshotText;
    }
    if (topic == "open") {
        return openText;
    }
    return overviewText;
}

} // namespace stepveil::tool
