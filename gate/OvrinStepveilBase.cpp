#include "gate/OvrinStepveilBase.h"

#include "editor/EditorBase.h"
#include "gate/FactoryPrograms.h"
#include "gate/GainKernels.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr float factoryLevelUnit = 0.03125f;

// Every text operation takes a host buffer; a null one is answered by writing nothing.
void writeText(char* text, const char* value) {
    if (text != nullptr) {
        std::strcpy(text, value);
    }
}

} // namespace

OvrinStepveilBase::OvrinStepveilBase(audioMasterCallback host)
    : EffectBaseEx(host, numGatePrograms, numSteps), rampIncrement(0.0f), rampLength(16),
      rampCounter(1), previousStep(-1), kernelWidth(widestKernelWidth()),
      lastLayout(BufferLayout::overlapping) {
    fillFactoryPrograms();
    for (auto& level : liveLevels) {
        level.store(0.0f, std::memory_order_relaxed);
    }
    // This class's own operations: no derived effect exists yet.
    OvrinStepveilBase::setProgram(0);
    setNumInputs(2);
    setNumOutputs(2);
    setCanMono(true);
    setCanReplacing(true);
    // Hosts keep the whole bank (names, user patterns, the current program) as one chunk.
    setProgramsAreChunks(true);
    setUniqueId(vstFourCharCode('O', 'V', 's', 'v'));
    OvrinStepveilBase::resume();
}

// The programs are a member array and go with the effect.
OvrinStepveilBase::~OvrinStepveilBase() = default;

void OvrinStepveilBase::fillProgram(int32 index, const char* name, const std::uint8_t* levels) {
    Program& program = programs[static_cast<std::size_t>(index)];
    program.setName(name);
    for (int32 step = 0; step < numSteps; ++step) {
        program.levels[static_cast<std::size_t>(step)].store(levels[step] * factoryLevelUnit,
                                                             std::memory_order_relaxed);
    }
}

void OvrinStepveilBase::fillFactoryPrograms() {
    const auto& patterns = factoryPatterns();
    int32 index = 0;
    for (const FactoryPattern& pattern : patterns) {
        fillProgram(index++, pattern.name, pattern.levels.data());
    }
    std::array<std::uint8_t, numSteps> userLevels;
    userLevels.fill(userSlotLevel);
    for (int32 slot = 1; index < numGatePrograms; ++slot) {
        char name[Program::nameSize];
        std::snprintf(name, sizeof name, "User %d", slot);
        fillProgram(index++, name, userLevels.data());
    }
}

// Only setProgram selects, and it checks the range; the check here keeps a derived class that
// writes currentProgram itself from reaching past the array.
Program* OvrinStepveilBase::selectedProgram() {
    const int32 selected = currentProgram.load(std::memory_order_relaxed);
    if (selected < 0 || selected >= numGatePrograms) {
        return nullptr;
    }
    return &programs[static_cast<std::size_t>(selected)];
}

void OvrinStepveilBase::setParameter(int32 index, float value) {
    if (!isStep(index) || !isLevel(value)) {
        return;
    }
    const auto step = static_cast<std::size_t>(index);
    const float level = levelWithinRange(value);
    if (Program* program = selectedProgram()) {
        program->levels[step].store(level, std::memory_order_relaxed);
    }
    liveLevels[step].store(level, std::memory_order_relaxed);
    if (editor != nullptr) {
        editor->markForUpdate();
    }
}

float OvrinStepveilBase::getParameter(int32 index) {
    if (!isStep(index)) {
        return 0.0f;
    }
    return liveLevels[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
}

void OvrinStepveilBase::getParameterName(int32 index, char* text) {
    if (text == nullptr) {
        return;
    }
    if (!isStep(index)) {
        text[0] = '\0';
        return;
    }
    // At most "Level 32" and its terminator: the 9 bytes hosts give for parameter texts.
    char name[24];
    std::snprintf(name, sizeof name, "Level %d", static_cast<int>(index + 1));
    std::strcpy(text, name);
}

void OvrinStepveilBase::getParameterLabel(int32 index, char* text) {
    writeText(text, isStep(index) ? "dB" : "");
}

void OvrinStepveilBase::getParameterDisplay(int32 index, char* text) {
    if (text == nullptr) {
        return;
    }
    if (!isStep(index)) {
        text[0] = '\0';
        return;
    }
    formatDecibels(liveLevels[static_cast<std::size_t>(index)].load(std::memory_order_relaxed),
                   text);
}

void OvrinStepveilBase::setProgram(int32 program) {
    if (program < 0 || program >= numGatePrograms) {
        return;
    }
    currentProgram = program;
    const Program& selected = programs[static_cast<std::size_t>(program)];
    for (int32 step = 0; step < numSteps; ++step) {
        setParameter(
            step, selected.levels[static_cast<std::size_t>(step)].load(std::memory_order_relaxed));
    }
}

void OvrinStepveilBase::setProgramName(char* text) {
    if (Program* program = selectedProgram()) {
        program->setName(text);
    }
}

void OvrinStepveilBase::getProgramName(char* text) {
    const Program* program = selectedProgram();
    writeText(text, program != nullptr ? program->getName().data() : "");
}

bool OvrinStepveilBase::getProgramNameIndexed(int32 /*category*/, int32 index, char* text) {
    if (index < 0 || index >= numGatePrograms || text == nullptr) {
        return false;
    }
    writeText(text, programs[static_cast<std::size_t>(index)].getName().data());
    return true;
}

bool OvrinStepveilBase::getEffectName(char* text) {
    writeText(text, "OvrinStepveilBase");
    return text != nullptr;
}

bool OvrinStepveilBase::getProductString(char* text) {
    writeText(text, "Ovrin Audio StepveilBase");
    return text != nullptr;
}

bool OvrinStepveilBase::getVendorString(char* text) {
    writeText(text, "Ovrin Audio");
    return text != nullptr;
}

OvrinStepveilBase::int32 OvrinStepveilBase::getVendorVersion() {
    return 1000;
}

OvrinStepveilBase::int32 OvrinStepveilBase::getPlugCategory() {
    return kPlugCategEffect;
}
