#include "tools/PresetFile.h"

#include "tools/ToolError.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace stepveil::tool {
namespace {

constexpr std::size_t programHeaderSize = 56; // up to the parameters or the chunk's size
constexpr std::size_t bankHeaderSize = 156;   // up to the programs or the chunk's size
constexpr std::size_t nameFieldSize = 28;
// Far more than any plug-in's programs or chunk; a larger file is not one of these.
constexpr std::int32_t maximumCount = 4096;
constexpr std::streamoff maximumFileSize = 64 * 1024 * 1024;

constexpr std::uint32_t fourCharCode(const char (&code)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

constexpr std::uint32_t fileMagic = fourCharCode("CcnK");
constexpr std::uint32_t programList = fourCharCode("FxCk");
constexpr std::uint32_t programChunk = fourCharCode("FPCh");
constexpr std::uint32_t bankList = fourCharCode("FxBk");
constexpr std::uint32_t bankChunk = fourCharCode("FBCh");

std::string codeText(std::uint32_t code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<char>((code >> shift) & 0xFFu);
        text += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    }
    return text;
}

ToolError fault(const std::string& path, const std::string& what) {
    return failure("cannot load \"" + path + "\": " + what);
}

// Reads big-endian fields at given offsets; a field outside the file is the file's fault.
class FileReader {
public:
    FileReader(const std::vector<std::uint8_t>& fileBytes, const std::string& filePath)
        : bytes(fileBytes), path(filePath) {}

    void require(std::size_t offset, std::size_t count, const std::string& what) const {
        if (offset > bytes.size() || count > bytes.size() - offset) {
            throw fault(path, "it is cut off: the file has " + std::to_string(bytes.size()) +
                                  " bytes, " + what + " would reach byte " +
                                  std::to_string(offset + count));
        }
    }
    std::uint32_t u32(std::size_t offset, const std::string& what) const {
        require(offset, 4, what);
        return static_cast<std::uint32_t>(bytes[offset]) << 24 |
               static_cast<std::uint32_t>(bytes[offset + 1]) << 16 |
               static_cast<std::uint32_t>(bytes[offset + 2]) << 8 |
               static_cast<std::uint32_t>(bytes[offset + 3]);
    }
    std::int32_t i32(std::size_t offset, const std::string& what) const {
        return static_cast<std::int32_t>(u32(offset, what));
    }
    // A count the file gives, which must be sane before anything is sized by it.
    std::int32_t count(std::size_t offset, const std::string& what) const {
        const std::int32_t value = i32(offset, what);
        if (value < 0 || value > maximumCount) {
            throw fault(path, "it claims " + std::to_string(value) + " " + what);
        }
        return value;
    }
    float f32(std::size_t offset, const std::string& what) const {
        const std::uint32_t bits = u32(offset, what);
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::string name(std::size_t offset) const {
        require(offset, nameFieldSize, "the program's name");
        const auto* first = reinterpret_cast<const char*>(bytes.data() + offset);
        return std::string(first, std::find(first, first + nameFieldSize, '\0'));
    }
    std::vector<std::uint8_t> chunk(std::size_t sizeOffset) const {
        const std::uint32_t size = u32(sizeOffset, "the chunk's size");
        require(sizeOffset + 4, size, "a chunk of " + std::to_string(size) + " bytes");
        const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(sizeOffset + 4);
        return std::vector<std::uint8_t>(first, first + static_cast<std::ptrdiff_t>(size));
    }
    const std::string& file() const { return path; }

private:
    const std::vector<std::uint8_t>& bytes;
    const std::string& path;
};

// A program record (a whole program file of the parameter form, or one inside a bank)
// starting at `offset`: its header, name and parameters. Answers the offset after it.
std::size_t readProgramList(const FileReader& in, std::size_t offset, const std::string& which,
                            std::int32_t pluginId, ProgramRecord& record) {
    if (in.u32(offset, which) != fileMagic || in.u32(offset + 8, which) != programList) {
        throw fault(in.file(), which + " is not a program's parameter list");
    }
    if (in.i32(offset + 16, which) != pluginId) {
        throw fault(in.file(), which + " belongs to another plug-in than the file");
    }
    const std::int32_t parameters = in.count(offset + 24, "parameters in " + which);
    record.name = in.name(offset + 28);
    const std::size_t first = offset + programHeaderSize;
    in.require(first, 4 * static_cast<std::size_t>(parameters), "the parameters of " + which);
    for (std::int32_t index = 0; index < parameters; ++index) {
        const float value = in.f32(first + 4 * static_cast<std::size_t>(index), which);
        if (!(value >= 0.0f && value <= 1.0f)) {
            throw fault(in.file(), "parameter " + std::to_string(index) + " of " + which + " is " +
                                       std::to_string(value) +
                                       "; parameters lie within 0..1 (the file is damaged)");
        }
        record.parameters.push_back(value);
    }
    return first + 4 * static_cast<std::size_t>(parameters);
}

void readProgramFile(const FileReader& in, std::uint32_t form, PresetFile& file) {
    if (form == programList) {
        file.programs.resize(1);
        readProgramList(in, 0, "the program", file.pluginId, file.programs.front());
        return;
    }
    file.parameterCount = in.count(24, "parameters");
    file.programName = in.name(28);
    file.chunk = in.chunk(programHeaderSize);
}

void readBankFile(const FileReader& in, std::uint32_t form, PresetFile& file) {
    file.programCount = in.count(24, "programs");
    if (in.i32(12, "the version") == 2) {
        const std::int32_t current = in.i32(28, "the current program");
        if (current < 0 || current >= std::max(file.programCount, 1)) {
            throw fault(in.file(), "its current program " + std::to_string(current) +
                                       " is not one of its " + std::to_string(file.programCount) +
                                       " programs");
        }
        file.currentProgram = current;
    }
    if (form == bankChunk) {
        file.chunk = in.chunk(bankHeaderSize);
        return;
    }
    std::size_t offset = bankHeaderSize;
    file.programs.resize(static_cast<std::size_t>(file.programCount));
    for (std::size_t index = 0; index < file.programs.size(); ++index) {
        offset = readProgramList(in, offset, "program " + std::to_string(index), file.pluginId,
                                 file.programs[index]);
    }
}

// Big-endian fields appended to a file being written.
class FileWriter {
public:
    void u32(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void f32(float value) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        u32(bits);
    }
    void name(const std::string& text) {
        const std::size_t length = std::min(text.size(), nameFieldSize - 1);
        bytes.insert(bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
        bytes.insert(bytes.end(), nameFieldSize - length, 0);
    }
    void zeros(std::size_t count) { bytes.insert(bytes.end(), count, 0); }
    void chunk(const std::vector<std::uint8_t>& data) {
        u32(static_cast<std::uint32_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
    // The magic, the size field (filled in by finish) and the fields every such file starts with.
    void start(std::uint32_t form, std::int32_t version, std::int32_t id,
               std::int32_t pluginVersion, std::int32_t count) {
        startOffset = bytes.size();
        u32(fileMagic);
        u32(0);
        u32(form);
        i32(version);
        i32(id);
        i32(pluginVersion);
        i32(count);
    }
    void finish() {
        const auto size = static_cast<std::uint32_t>(bytes.size() - startOffset - 8);
        for (int i = 0; i < 4; ++i) {
            bytes[startOffset + 4 + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(size >> (24 - 8 * i));
        }
    }

    std::vector<std::uint8_t> bytes;

private:
    std::size_t startOffset = 0;
};

void writeProgramList(FileWriter& out, const PresetFile& file, const ProgramRecord& program) {
    FileWriter record;
    record.start(programList, 1, file.pluginId, file.pluginVersion,
                 static_cast<std::int32_t>(program.parameters.size()));
    record.name(program.name);
    for (const float value : program.parameters) {
        record.f32(value);
    }
    record.finish();
    out.bytes.insert(out.bytes.end(), record.bytes.begin(), record.bytes.end());
}

} // namespace

PresetFile parsePresetFile(const std::vector<std::uint8_t>& bytes, PresetKind expected,
                           const std::string& path) {
    const FileReader in(bytes, path);
    if (bytes.size() < 4 || in.u32(0, "the header") != fileMagic) {
        throw fault(path, "it is not a program or bank file (it does not start with \"CcnK\")");
    }
    const std::uint32_t form = in.u32(8, "the header");
    PresetFile file;
    if (form == programList || form == programChunk) {
        file.kind = PresetKind::program;
    } else if (form == bankList || form == bankChunk) {
        file.kind = PresetKind::bank;
    } else {
        throw fault(path, "its kind \"" + codeText(form) +
                              "\" is neither a program (FxCk, FPCh) nor a bank (FxBk, FBCh)");
    }
    if (file.kind != expected) {
        throw fault(path, file.kind == PresetKind::bank
                              ? "it holds a bank (an .fxb file), not one program: give it with "
                                "--bank"
                              : "it holds one program (an .fxp file), not a bank: give it with "
                                "--preset");
    }
    file.isChunk = form == programChunk || form == bankChunk;
    file.pluginId = in.i32(16, "the plug-in's id");
    file.pluginVersion = in.i32(20, "the plug-in's version");
    if (file.kind == PresetKind::program) {
        readProgramFile(in, form, file);
    } else {
        readBankFile(in, form, file);
    }
    return file;
}

PresetFile readPresetFile(const std::string& path, PresetKind expected) {
    std::ifstream stream(path, std::ios::binary | std::ios::ate);
    if (!stream) {
        throw failure("cannot read \"" + path + "\": " + std::strerror(errno));
    }
    const std::streamoff size = stream.tellg();
    if (size < 0 || size > maximumFileSize) {
        throw fault(path, size < 0 ? "it cannot be read as a file"
                                   : "it is far too large for a program or bank file");
    }
    stream.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!stream.read(reinterpret_cast<char*>(bytes.data()), size)) {
        throw failure("cannot read \"" + path + "\": " + std::strerror(errno));
    }
    return parsePresetFile(bytes, expected, path);
}

std::vector<std::uint8_t> encodePresetFile(const PresetFile& file) {
    FileWriter out;
    if (file.kind == PresetKind::program && !file.isChunk && !file.programs.empty()) {
        writeProgramList(out, file, file.programs.front());
        return out.bytes;
    }
    if (file.kind == PresetKind::program) {
        out.start(programChunk, 1, file.pluginId, file.pluginVersion, file.parameterCount);
        out.name(file.programName);
        out.chunk(file.chunk);
        out.finish();
        return out.bytes;
    }
    const auto count =
        file.isChunk ? file.programCount : static_cast<std::int32_t>(file.programs.size());
    out.start(file.isChunk ? bankChunk : bankList, file.currentProgram ? 2 : 1, file.pluginId,
              file.pluginVersion, count);
    if (file.currentProgram) {
        out.i32(*file.currentProgram);
        out.zeros(124);
    } else {
        out.zeros(128);
    }
    if (file.isChunk) {
        out.chunk(file.chunk);
    } else {
        for (const ProgramRecord& program : file.programs) {
            writeProgramList(out, file, program);
        }
    }
    out.finish();
    return out.bytes;
}

} // namespace stepveil::tool
