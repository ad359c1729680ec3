#include "gate/ChunkLayout.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace chunkLayout {
namespace {

constexpr std::uint8_t magic[4] = {'S', 'v', 'c', 'k'};
constexpr std::size_t headerSize = 20;
constexpr std::uint32_t bankKind = 1;
constexpr std::uint32_t programKind = 2;

class ByteWriter {
public:
    void u32(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    void f32(float value) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        u32(bits);
    }
    void raw(const void* data, std::size_t size) {
        const auto* first = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), first, first + size);
    }
    // The body length goes into the header once the body is written.
    void patchU32(std::size_t offset, std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes[offset++] = static_cast<std::uint8_t>(value >> shift);
        }
    }

    std::vector<std::uint8_t> bytes;
};

// A level as a stored one may be (automation may have sent anything) brought into the range a
// reader accepts, so that a chunk of ours always reads back.
float storableLevel(float level) {
    if (!(level > 0.0f)) {
        return 0.0f; // also NaN
    }
    return level < 1.0f ? level : 1.0f;
}

void writeProgramRecord(ByteWriter& out, const ProgramState& program) {
    const void* end = std::memchr(program.name.data(), '\0', program.name.size() - 1);
    const std::size_t nameLength =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - program.name.data())
            : program.name.size() - 1;
    out.u32(static_cast<std::uint32_t>(nameLength));
    out.raw(program.name.data(), nameLength);
    out.u32(static_cast<std::uint32_t>(program.levels.size()));
    for (const float level : program.levels) {
        out.f32(storableLevel(level));
    }
}

std::vector<std::uint8_t> withHeader(std::int32_t uniqueId, std::uint32_t kind,
                                     const ByteWriter& body) {
    ByteWriter out;
    out.raw(magic, sizeof magic);
    out.u32(layoutVersion);
    out.u32(static_cast<std::uint32_t>(uniqueId));
    out.u32(kind);
    out.u32(static_cast<std::uint32_t>(body.bytes.size()));
    out.raw(body.bytes.data(), body.bytes.size());
    return std::move(out.bytes);
}

// Reads from a block of a known size; any read past its end makes the whole read fail, and
// every later read gives zeros, so a caller checks `failed` once at the end.
class ByteReader {
public:
    ByteReader(const void* data, std::size_t size)
        : bytes(static_cast<const std::uint8_t*>(data)), left(size) {}

    const std::uint8_t* take(std::size_t count) {
        if (failed || count > left) {
            failed = true;
            return nullptr;
        }
        const std::uint8_t* taken = bytes;
        bytes += count;
        left -= count;
        return taken;
    }
    std::uint32_t u32() {
        const std::uint8_t* b = take(4);
        if (b == nullptr) {
            return 0;
        }
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    float f32() {
        const std::uint32_t bits = u32();
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void fail() { failed = true; }
    bool ok() const { return !failed; }
    bool atEnd() const { return left == 0; }

private:
    const std::uint8_t* bytes;
    std::size_t left;
    bool failed = false;
};

// The header, checked: ours, a layout this build knows, this effect's, the kind asked for,
// and a body length that is exactly what follows.
void readHeader(ByteReader& in, std::size_t size, std::int32_t uniqueId, std::uint32_t kind) {
    const std::uint8_t* found = in.take(sizeof magic);
    if (found == nullptr || std::memcmp(found, magic, sizeof magic) != 0 ||
        in.u32() != layoutVersion || in.u32() != static_cast<std::uint32_t>(uniqueId) ||
        in.u32() != kind || size < headerSize || in.u32() != size - headerSize) {
        in.fail();
    }
}

void readProgramRecord(ByteReader& in, ProgramState& program) {
    const std::uint32_t nameLength = in.u32();
    const std::uint8_t* name = in.take(nameLength);
    program.name.fill('\0');
    if (name != nullptr) {
        // As effSetProgramName takes a text: up to its first zero, at most nameSize - 1.
        for (std::size_t i = 0; i < nameLength && i + 1 < program.name.size() && name[i]; ++i) {
            program.name[i] = static_cast<char>(name[i]);
        }
    }
    if (in.u32() != program.levels.size()) {
        in.fail();
        return;
    }
    for (float& level : program.levels) {
        level = in.f32();
        if (!(level >= 0.0f && level <= 1.0f)) {
            in.fail(); // also NaN
        }
    }
}

// A whole chunk of one kind: the header, then the body as readBody takes it, then nothing.
// The result is filled in only when all of it is right.
template <typename State, typename BodyReader>
bool readChunk(const void* data, std::size_t size, std::int32_t uniqueId, std::uint32_t kind,
               State& result, BodyReader readBody) {
    if (data == nullptr) {
        return false;
    }
    ByteReader in(data, size);
    readHeader(in, size, uniqueId, kind);
    State read;
    if (in.ok()) {
        readBody(in, read);
    }
    if (!in.ok() || !in.atEnd()) {
        return false;
    }
    result = read;
    return true;
}

} // namespace

std::vector<std::uint8_t> writeBank(std::int32_t uniqueId, const BankState& bank) {
    ByteWriter body;
    body.u32(static_cast<std::uint32_t>(bank.programs.size()));
    body.u32(static_cast<std::uint32_t>(bank.currentProgram));
    for (const ProgramState& program : bank.programs) {
        writeProgramRecord(body, program);
    }
    return withHeader(uniqueId, bankKind, body);
}

std::vector<std::uint8_t> writeProgram(std::int32_t uniqueId, const ProgramState& program) {
    ByteWriter body;
    writeProgramRecord(body, program);
    return withHeader(uniqueId, programKind, body);
}

bool readBank(const void* data, std::size_t size, std::int32_t uniqueId, BankState& bank) {
    return readChunk(data, size, uniqueId, bankKind, bank, [](ByteReader& in, BankState& read) {
        if (in.u32() != read.programs.size()) {
            in.fail();
        }
        const std::uint32_t current = in.u32();
        if (current >= read.programs.size()) {
            in.fail();
        }
        read.currentProgram = static_cast<std::int32_t>(current);
        for (ProgramState& program : read.programs) {
            if (in.ok()) {
                readProgramRecord(in, program);
            }
        }
    });
}

bool readProgram(const void* data, std::size_t size, std::int32_t uniqueId, ProgramState& program) {
    return readChunk(data, size, uniqueId, programKind, program, readProgramRecord);
}

} // namespace chunkLayout
