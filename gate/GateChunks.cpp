// What a host keeps of the gate when it saves a song: the bank, or the current program, as a
// chunk (layout in gate/ChunkLayout.h), and the way back.
#include "gate/OvrinStepveilBase.h"

#include "gate/ChunkLayout.h"

#include <new>

static_assert(chunkLayout::programsPerBank == OvrinStepveilBase::numGatePrograms &&
                  Program::numLevels == OvrinStepveilBase::numSteps,
              "a bank chunk holds every program and every step");

namespace {

chunkLayout::ProgramState stateOf(const Program& program) {
    chunkLayout::ProgramState state;
    state.name = program.getName();
    for (std::size_t step = 0; step < state.levels.size(); ++step) {
        state.levels[step] = program.levels[step].load(std::memory_order_relaxed);
    }
    return state;
}

} // namespace

OvrinStepveilBase::int32 OvrinStepveilBase::getChunk(void** data, bool isPreset) {
    if (data == nullptr) {
        return 0;
    }
    const std::lock_guard<std::mutex> guard(chunkLock);
    const int32 id = effectRecord.uniqueID;
    try {
        if (isPreset) {
            const Program* program = selectedProgram();
            if (program == nullptr) {
                return 0;
            }
            chunkBytes = chunkLayout::writeProgram(id, stateOf(*program));
        } else {
            chunkLayout::BankState bank;
            for (std::size_t index = 0; index < programs.size(); ++index) {
                bank.programs[index] = stateOf(programs[index]);
            }
            bank.currentProgram = currentProgram.load(std::memory_order_relaxed);
            chunkBytes = chunkLayout::writeBank(id, bank);
        }
    } catch (const std::bad_alloc&) {
        // The host gets nothing rather than a chunk that is not whole.
        chunkBytes.clear();
        return 0;
    }
    *data = chunkBytes.data();
    return static_cast<int32>(chunkBytes.size());
}

OvrinStepveilBase::int32 OvrinStepveilBase::setChunk(void* data, int32 byteSize, bool isPreset) {
    if (data == nullptr || byteSize <= 0) {
        return 0;
    }
    const std::lock_guard<std::mutex> guard(chunkLock);
    const int32 id = effectRecord.uniqueID;
    const auto size = static_cast<std::size_t>(byteSize);
    if (isPreset) {
        chunkLayout::ProgramState program;
        Program* current = selectedProgram();
        if (current == nullptr || !chunkLayout::readProgram(data, size, id, program)) {
            return 0;
        }
        current->setName(program.name.data());
        // Through the virtual setParameter, so the editor is told of every level.
        for (int32 step = 0; step < numSteps; ++step) {
            setParameter(step, program.levels[static_cast<std::size_t>(step)]);
        }
        return 1;
    }
    // About 5 KiB: the bank is read into a copy of its own and taken only once whole.
    chunkLayout::BankState bank;
    if (!chunkLayout::readBank(data, size, id, bank)) {
        return 0;
    }
    for (std::size_t index = 0; index < programs.size(); ++index) {
        const chunkLayout::ProgramState& read = bank.programs[index];
        programs[index].setName(read.name.data());
        for (std::size_t step = 0; step < read.levels.size(); ++step) {
            programs[index].levels[step].store(read.levels[step], std::memory_order_relaxed);
        }
    }
    // A program change: the live levels and the editor follow the restored current program.
    setProgram(bank.currentProgram);
    return 1;
}
