// Writes the bundle's Turtle at build time, from the same factory patterns and port layout the
// binaries are built from, so that the description, the presets and the code cannot drift
// apart:
//   stepveil_lv2_turtle FOLDER DSP_BINARY UI_BINARY
// makes FOLDER/manifest.ttl (the plug-in, its editor and every preset, as hosts discover them),
// FOLDER/stepveil.ttl (ports and editor) and FOLDER/presets.ttl (each preset's 32 levels).
#include "gate/FactoryPrograms.h"
#include "lv2/PortLayout.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

namespace {

using namespace stepveil::lv2;

constexpr const char* prefixes = R"(@prefix atom: <http://lv2plug.in/ns/ext/atom#> .
@prefix doap: <http://usefulinc.com/ns/doap#> .
@prefix foaf: <http://xmlns.com/foaf/0.1/> .
@prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix pset: <http://lv2plug.in/ns/ext/presets#> .
@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .
@prefix time: <http://lv2plug.in/ns/ext/time#> .
@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .
@prefix urid: <http://lv2plug.in/ns/ext/urid#> .

)";

// A factory level in 32nds as an exact decimal (1/32 has five decimals).
std::string levelText(unsigned thirtySeconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%.5f", thirtySeconds / 32.0);
    std::string value = text;
    while (value.size() > 3 && value.back() == '0') {
        value.pop_back();
    }
    return value;
}

// "Fade In Loop" -> "fade-in-loop".
std::string slug(const std::string& name) {
    std::string result;
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!result.empty() && result.back() != '-') {
            result += '-';
        }
    }
    while (!result.empty() && result.back() == '-') {
        result.pop_back();
    }
    return result;
}

std::string presetUri(const FactoryPattern& pattern) {
    return std::string("<") + presetUriPrefix + slug(pattern.name) + ">";
}

std::string levelSymbol(unsigned step) {
    return "level_" + std::to_string(step + 1);
}

std::string manifest(const std::string& dspBinary, const std::string& uiBinary) {
    std::ostringstream out;
    out << prefixes;
    out << "<" << pluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << dspBinary
        << "> ;\n    rdfs:seeAlso <stepveil.ttl> .\n\n";
    out << "<" << editorUri << ">\n    a ui:X11UI ;\n    ui:binary <" << uiBinary
        << "> ;\n    rdfs:seeAlso <stepveil.ttl> .\n";
    for (const FactoryPattern& pattern : factoryPatterns()) {
        out << "\n"
            << presetUri(pattern) << "\n    a pset:Preset ;\n    lv2:appliesTo <" << pluginUri
            << "> ;\n    rdfs:label \"" << pattern.name
            << "\" ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
    return out.str();
}

void audioPort(std::ostream& out, unsigned index, const char* direction, const char* symbol,
               const char* name) {
    out << "    [\n        a lv2:AudioPort , lv2:" << direction << " ;\n        lv2:index " << index
        << " ;\n        lv2:symbol \"" << symbol << "\" ;\n        lv2:name \"" << name
        << "\"\n    ] ,\n";
}

std::string pluginDescription() {
    const FactoryPattern& initial = factoryPatterns()[0];
    std::ostringstream out;
    out << prefixes;
    out << "<" << pluginUri << ">\n"
        << "    a lv2:Plugin , lv2:GatePlugin , doap:Project ;\n"
        << "    doap:name \"Stepveil\" ;\n"
        << "    doap:maintainer [ foaf:name \"Ovrin Audio\" ] ;\n"
        << "    rdfs:comment \"A tempo-synced 32-step gate: every bar of the song is cut into 32 "
           "steps, and the audio is multiplied by the level of the step the song is in.\" ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
        << "    ui:ui <" << editorUri << "> ;\n"
        << "    lv2:port\n";
    audioPort(out, inputLeftPort, "InputPort", "in_left", "Left In");
    audioPort(out, inputRightPort, "InputPort", "in_right", "Right In");
    audioPort(out, outputLeftPort, "OutputPort", "out_left", "Left Out");
    audioPort(out, outputRightPort, "OutputPort", "out_right", "Right Out");
    for (unsigned step = 0; step < levelPortCount; ++step) {
        out << "    [\n        a lv2:ControlPort , lv2:InputPort ;\n        lv2:index "
            << firstLevelPort + step << " ;\n        lv2:symbol \"" << levelSymbol(step)
            << "\" ;\n        lv2:name \"Level " << step + 1 << "\" ;\n        lv2:default "
            << levelText(initial.levels[step])
            << " ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 1.0\n    ] ,\n";
    }
    out << "    [\n        a lv2:InputPort , atom:AtomPort ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports time:Position ;\n"
        << "        lv2:portProperty lv2:connectionOptional ;\n"
        << "        lv2:index " << timePort << " ;\n"
        << "        lv2:symbol \"time\" ;\n"
        << "        lv2:name \"Song Position\"\n    ] .\n\n";
    out << "<" << editorUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:optionalFeature ui:parent , ui:touch , ui:resize , ui:idleInterface ;\n"
        << "    lv2:extensionData ui:idleInterface .\n";
    return out.str();
}

std::string presets() {
    std::ostringstream out;
    out << prefixes;
    for (const FactoryPattern& pattern : factoryPatterns()) {
        out << presetUri(pattern) << "\n    a pset:Preset ;\n    lv2:appliesTo <" << pluginUri
            << "> ;\n    rdfs:label \"" << pattern.name << "\" ;\n    lv2:port";
        for (unsigned step = 0; step < levelPortCount; ++step) {
            out << (step == 0 ? " [\n" : " , [\n") << "        lv2:symbol \"" << levelSymbol(step)
                << "\" ;\n        pset:value " << levelText(pattern.levels[step]) << "\n    ]";
        }
        out << " .\n\n";
    }
    return out.str();
}

bool write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        std::cerr << "stepveil_lv2_turtle: cannot write " << path << "\n";
        return false;
    }
    return true;
}

// Preset URIs come from the names: two names that give the same one would merge presets.
bool presetNamesDistinct() {
    std::set<std::string> seen;
    for (const FactoryPattern& pattern : factoryPatterns()) {
        if (!seen.insert(slug(pattern.name)).second) {
            std::cerr << "stepveil_lv2_turtle: two factory patterns share the preset URI of \""
                      << pattern.name << "\"\n";
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: stepveil_lv2_turtle FOLDER DSP_BINARY UI_BINARY\n";
        return 2;
    }
    const std::string folder = argv[1];
    if (!presetNamesDistinct()) {
        return 1;
    }
    const bool written = write(folder + "/manifest.ttl", manifest(argv[2], argv[3])) &&
                         write(folder + "/stepveil.ttl", pluginDescription()) &&
                         write(folder + "/presets.ttl", presets());
    return written ? 0 : 1;
}
