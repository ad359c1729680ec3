// Defaults of the extended operations: each answers "not supported" or the neutral value a
// host expects from an effect that does not use the feature.
#include "effect/EffectBaseEx.h"

namespace {

constexpr EffectBase::int32 kVstVersion = 2300;

} // namespace

EffectBaseEx::EffectBaseEx(audioMasterCallback callback, int32 programCount, int32 parameterCount)
    : EffectBase(callback, programCount, parameterCount) {}

EditorBase* EffectBaseEx::getEditor() {
    return editor;
}

EffectBaseEx::int32 EffectBaseEx::processEvents(void*) {
    return 0;
}

bool EffectBaseEx::canParameterBeAutomated(int32) {
    return true;
}

bool EffectBaseEx::stringToParameter(int32, char*) {
    return false;
}

float EffectBaseEx::getChannelParameter(int32, int32) {
    return 0.0f;
}

EffectBaseEx::int32 EffectBaseEx::getNumCategories() {
    return 1;
}

bool EffectBaseEx::getProgramNameIndexed(int32, int32, char*) {
    return false;
}

bool EffectBaseEx::copyProgram(int32) {
    return false;
}

void EffectBaseEx::inputConnected(int32, bool) {}

void EffectBaseEx::outputConnected(int32, bool) {}

bool EffectBaseEx::getInputProperties(int32, void*) {
    return false;
}

bool EffectBaseEx::getOutputProperties(int32, void*) {
    return false;
}

EffectBaseEx::int32 EffectBaseEx::getPlugCategory() {
    return (effectRecord.flags & effFlagsIsSynth) != 0 ? kPlugCategSynth : kPlugCategUnknown;
}

void EffectBaseEx::setIsAsync(bool state) {
    setFlag(effFlagsExtIsAsync, state);
}

void EffectBaseEx::setHasExternalBuffer(bool state) {
    setFlag(effFlagsExtHasBuffer, state);
}

EffectBaseEx::int32 EffectBaseEx::reportCurrentPosition() {
    return 0;
}

float* EffectBaseEx::reportDestinationBuffer() {
    return nullptr;
}

bool EffectBaseEx::offlineNotify(void*, int32, bool) {
    return false;
}

bool EffectBaseEx::offlinePrepare(void*, int32) {
    return false;
}

bool EffectBaseEx::offlineRun(void*, int32) {
    return false;
}

EffectBaseEx::int32 EffectBaseEx::spareQueryA() {
    return 0;
}

EffectBaseEx::int32 EffectBaseEx::spareQueryB() {
    return 0;
}

void EffectBaseEx::setIsSynth(bool state) {
    setFlag(effFlagsIsSynth, state);
}

void EffectBaseEx::setNoSoundInStop(bool state) {
    setFlag(effFlagsNoSoundInStop, state);
}

bool EffectBaseEx::processVariableIo(void*) {
    return false;
}

bool EffectBaseEx::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
    return false;
}

bool EffectBaseEx::getSpeakerArrangement(VstSpeakerArrangement** input,
                                         VstSpeakerArrangement** output) {
    if (input) {
        *input = nullptr;
    }
    if (output) {
        *output = nullptr;
    }
    return false;
}

// Stores both directly: an effect that reacts to setSampleRate or setBlockSize is not told.
bool EffectBaseEx::setBlockSizeAndSampleRate(int32 size, float rate) {
    blockSize = size;
    sampleRate = rate;
    return true;
}

bool EffectBaseEx::setBypass(bool) {
    return false;
}

bool EffectBaseEx::getEffectName(char*) {
    return false;
}

bool EffectBaseEx::getErrorText(char*) {
    return false;
}

bool EffectBaseEx::getVendorString(char*) {
    return false;
}

bool EffectBaseEx::getProductString(char*) {
    return false;
}

EffectBaseEx::int32 EffectBaseEx::getVendorVersion() {
    return 0;
}

EffectBaseEx::intptr EffectBaseEx::vendorSpecific(int32, intptr, void*, float) {
    return 0;
}

// The effect claims no capability and refuses none.
EffectBaseEx::int32 EffectBaseEx::canDo(char*) {
    return 0;
}

void* EffectBaseEx::getIcon() {
    return nullptr;
}

bool EffectBaseEx::setViewPosition(int32, int32) {
    return false;
}

EffectBaseEx::int32 EffectBaseEx::getTailSize() {
    return 0;
}

EffectBaseEx::int32 EffectBaseEx::effectIdle() {
    return 0;
}

bool EffectBaseEx::getParameterProperties(int32, void*) {
    return false;
}

bool EffectBaseEx::keysRequired() {
    return false;
}

EffectBaseEx::int32 EffectBaseEx::getVstVersion() {
    return kVstVersion;
}

EffectBaseEx::int32 EffectBaseEx::getMidiProgramName(int32, void*) {
    return 0;
}

// -1: the effect has no MIDI programs.
EffectBaseEx::int32 EffectBaseEx::getCurrentMidiProgram(int32, void*) {
    return -1;
}

EffectBaseEx::int32 EffectBaseEx::getMidiProgramCategory(int32, void*) {
    return 0;
}

bool EffectBaseEx::hasMidiProgramsChanged(int32) {
    return false;
}

bool EffectBaseEx::getMidiKeyName(int32, void*) {
    return false;
}

bool EffectBaseEx::beginSetProgram() {
    return false;
}

bool EffectBaseEx::endSetProgram() {
    return false;
}

EffectBaseEx::intptr EffectBaseEx::setTotalSampleToProcess(intptr value) {
    return value;
}

EffectBaseEx::int32 EffectBaseEx::getNextShellPlugin(char*) {
    return 0;
}

EffectBaseEx::int32 EffectBaseEx::startProcess() {
    return 0;
}

EffectBaseEx::int32 EffectBaseEx::stopProcess() {
    return 0;
}

bool EffectBaseEx::setPanLaw(int32, float) {
    return false;
}

EffectBaseEx::int32 EffectBaseEx::beginLoadBank(void*) {
    return 0;
}

EffectBaseEx::int32 EffectBaseEx::beginLoadProgram(void*) {
    return 0;
}
