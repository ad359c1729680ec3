// Program (.fxp) and bank (.fxb) files as other hosts write them, in both forms (parameter
// lists and the plug-in's own chunk), read by `stepveil`; and files it must refuse. The files
// are built here byte by byte from the published formats and the chunk layout in the docs,
// independently of the tool's and the plug-in's code.
#include "ToolProcess.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t stepveilId = 0x4F565356; // 'OVSV'

struct Program {
    std::string name;
    std::vector<int> levels; // in 32nds
};

void bigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void littleEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint32_t bits(float value) {
    std::uint32_t result = 0;
    std::memcpy(&result, &value, sizeof result);
    return result;
}

void code(Bytes& out, const char* fourCharacters) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(fourCharacters[i]));
    }
}

// "CcnK", the size of the rest (filled in last), the form, version, id, plug-in version, count.
Bytes fileStart(const char* form, std::uint32_t version, std::uint32_t id, std::uint32_t count) {
    Bytes out;
    code(out, "CcnK");
    bigEndian(out, 0);
    code(out, form);
    for (const std::uint32_t field : {version, id, 1000u, count}) {
        bigEndian(out, field);
    }
    return out;
}

Bytes finished(Bytes file) {
    Bytes size;
    bigEndian(size, static_cast<std::uint32_t>(file.size() - 8));
    std::copy(size.begin(), size.end(), file.begin() + 4);
    return file;
}

void nameField(Bytes& out, const std::string& name) {
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), 28 - name.size(), 0);
}

Bytes programList(const Program& program, std::uint32_t id = stepveilId) {
    Bytes out = fileStart("FxCk", 1, id, static_cast<std::uint32_t>(program.levels.size()));
    nameField(out, program.name);
    for (const int level : program.levels) {
        bigEndian(out, bits(static_cast<float>(level) / 32.0f));
    }
    return finished(out);
}

// The plug-in's chunk: a 20-byte little-endian header, then the body.
Bytes chunk(std::uint32_t kind, const Bytes& body) {
    Bytes out;
    code(out, "Svck");
    for (const std::uint32_t field :
         {1u, stepveilId, kind, static_cast<std::uint32_t>(body.size())}) {
        littleEndian(out, field);
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

void programRecord(Bytes& out, const Program& program) {
    littleEndian(out, static_cast<std::uint32_t>(program.name.size()));
    out.insert(out.end(), program.name.begin(), program.name.end());
    littleEndian(out, 32);
    for (const int level : program.levels) {
        littleEndian(out, bits(static_cast<float>(level) / 32.0f));
    }
}

Bytes programChunkFile(const Program& program) {
    Bytes body;
    programRecord(body, program);
    const Bytes data = chunk(2, body);
    Bytes out = fileStart("FPCh", 1, stepveilId, 32);
    nameField(out, program.name);
    bigEndian(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return finished(out);
}

// A bank of 32 programs at half level but for `special`, in the parameter form (version 2
// with the current program) or as the plug-in's chunk.
Bytes bankFile(bool asChunk, int specialIndex, const Program& special, int current) {
    std::vector<Program> programs(32, Program{"", std::vector<int>(32, 16)});
    for (int index = 0; index < 32; ++index) {
        programs[static_cast<std::size_t>(index)].name = "Slot " + std::to_string(index);
    }
    programs[static_cast<std::size_t>(specialIndex)] = special;
    Bytes out = fileStart(asChunk ? "FBCh" : "FxBk", 2, stepveilId, 32);
    bigEndian(out, static_cast<std::uint32_t>(current));
    out.insert(out.end(), 124, 0);
    if (!asChunk) {
        for (const Program& program : programs) {
            const Bytes record = programList(program);
            out.insert(out.end(), record.begin(), record.end());
        }
        return finished(out);
    }
    Bytes body;
    littleEndian(body, 32);
    littleEndian(body, static_cast<std::uint32_t>(current));
    for (const Program& program : programs) {
        programRecord(body, program);
    }
    const Bytes data = chunk(1, body);
    bigEndian(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return finished(out);
}

// How `stepveil info` lists a program: number, name, then each level in 32nds.
std::string listing(int index, const Program& program) {
    char line[128];
    std::snprintf(line, sizeof line, "%4d  %-24s", index, program.name.c_str());
    std::string text = line;
    for (const int level : program.levels) {
        std::snprintf(line, sizeof line, "%3d", level);
        text += line;
    }
    return text;
}

class StateFiles : public ::testing::Test {
protected:
    std::string write(const std::string& name, const Bytes& bytes) {
        std::ofstream(folder.path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return folder.path(name);
    }
    std::string info(const std::vector<std::string>& options) {
        std::vector<std::string> arguments{"info"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const ToolRun run = runStepveil(arguments);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        return run.out;
    }

    ScratchFolder folder;
    const Program groove{"Groove", {32, 0, 24, 0, 16, 8, 32, 4, 0,  32, 0, 2, 28, 0, 20, 0,
                                    32, 0, 24, 0, 16, 8, 32, 4, 30, 32, 0, 2, 28, 0, 20, 6}};
};

TEST_F(StateFiles, BanksAndProgramsOfBothFormsReachThePlugin) {
    for (const bool asChunk : {false, true}) {
        const std::string bank = write("bank.fxb", bankFile(asChunk, 20, groove, 20));
        const std::string listed = info({"--bank", bank});
        EXPECT_NE(listed.find("Current      program 20 \"Groove\""), std::string::npos) << listed;
        EXPECT_NE(listed.find(listing(20, groove)), std::string::npos) << listed;
        EXPECT_NE(listed.find("   3  Slot 3  "), std::string::npos) << listed;

        const Program chorus{asChunk ? "Chunky" : "Listed", groove.levels};
        const Bytes program = asChunk ? programChunkFile(chorus) : programList(chorus);
        const std::string preset = write("program.fxp", program);
        const std::string withPreset = info({"--bank", bank, "--preset", preset});
        EXPECT_NE(withPreset.find(listing(20, chorus)), std::string::npos) << withPreset;
        EXPECT_NE(withPreset.find(listing(3, {"Slot 3", std::vector<int>(32, 16)})),
                  std::string::npos)
            << withPreset;
    }
}

TEST_F(StateFiles, BadFilesAreRefusedNamingTheFileAndTheFault) {
    Bytes cutOff = bankFile(false, 0, groove, 0);
    cutOff.resize(cutOff.size() - 3);
    Program nan = groove;
    Bytes withNan = programList(nan);
    const std::uint32_t nanBits = bits(std::numeric_limits<float>::quiet_NaN());
    for (int shift = 0; shift < 4; ++shift) {
        withNan[56 + 3 * 4 + static_cast<std::size_t>(shift)] =
            static_cast<std::uint8_t>(nanBits >> (24 - 8 * shift));
    }
    Bytes damagedChunk = programChunkFile(groove);
    damagedChunk[60] = 'X'; // the chunk's own magic
    struct Case {
        const char* option;
        Bytes file;
        const char* fault;
    };
    const std::vector<Case> cases = {
        {"--bank", {'R', 'I', 'F', 'F', 0, 0, 0, 0}, "does not start with \"CcnK\""},
        {"--bank", cutOff, "it is cut off"},
        {"--preset", programList(groove, 0x41424344), "another plug-in (id 0x41424344)"},
        {"--preset", bankFile(false, 0, groove, 0), "give it with --bank"},
        {"--bank", programList(groove), "give it with --preset"},
        {"--preset", withNan, "parameter 3 of the program is nan"},
        {"--preset", programList({"Short", {32, 0, 32}}), "have 3 parameters; the plug-in has 32"},
        {"--preset", damagedChunk, "refused the chunk"},
        {"--bank", finished(fileStart("FxQq", 1, stepveilId, 0)), "neither a program"},
    };
    const std::string output = folder.path("out.wav");
    for (const Case& bad : cases) {
        const std::string file = write("bad.fxb", bad.file);
        const ToolRun run = runStepveil({"render", bad.option, file, output});
        EXPECT_EQ(run.exitStatus, 1) << bad.fault << ": " << run.err;
        EXPECT_NE(run.err.find("\"" + file + "\": "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(bad.fault), std::string::npos) << run.err;
        EXPECT_FALSE(fileExists(output)) << bad.fault;
    }
    const ToolRun missing = runStepveil({"render", "--bank", folder.path("none.fxb"), output});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_NE(missing.err.find("No such file"), std::string::npos) << missing.err;
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"bad.fxb"}) << "nothing written";
}

} // namespace
