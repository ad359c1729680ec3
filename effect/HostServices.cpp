// The effect's calls out to the host: one host opcode per operation. Without a host callback
// each answers what the host would answer if it knew nothing, and calls nothing. Host answers
// are passed back as they come, reduced to true/false only where the operation is a yes/no.
#include "effect/EffectBaseEx.h"

#include "effect/ArgumentConversions.h"

namespace {

constexpr vst2::int32 kReadSource = 1;

} // namespace

EffectBaseEx::intptr EffectBaseEx::wantEvents(int32 filter) {
    return callHost(audioMasterWantMidi, 0, filter);
}

// Called by processing once per block; the record belongs to the host.
VstTimeInfo* EffectBaseEx::getTimeInfo(int32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

EffectBaseEx::intptr EffectBaseEx::getTempoAt(int32 position) {
    return callHost(audioMasterTempoAt, 0, position);
}

EffectBaseEx::intptr EffectBaseEx::getNumAutomatableParameters() {
    return callHost(audioMasterGetNumAutomatableParameters);
}

EffectBaseEx::intptr EffectBaseEx::getParameterQuantization() {
    return callHost(audioMasterGetParameterQuantization);
}

bool EffectBaseEx::ioChanged() {
    return callHost(audioMasterIOChanged) != 0;
}

bool EffectBaseEx::needIdle() {
    return callHost(audioMasterNeedIdle) != 0;
}

bool EffectBaseEx::sizeWindow(int32 width, int32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

// A host that cannot tell (0) or answers nonsense (below 0) leaves the stored value alone.
float EffectBaseEx::updateSampleRate() {
    const intptr rate = callHost(audioMasterGetSampleRate);
    if (rate > 0) {
        sampleRate = static_cast<float>(rate);
    }
    return sampleRate;
}

EffectBaseEx::int32 EffectBaseEx::updateBlockSize() {
    const intptr size = callHost(audioMasterGetBlockSize);
    if (argumentConversions::isUsableBlockSize(size)) {
        blockSize = static_cast<int32>(size);
    }
    return blockSize;
}

EffectBaseEx::intptr EffectBaseEx::getInputLatency() {
    return callHost(audioMasterGetInputLatency);
}

EffectBaseEx::intptr EffectBaseEx::getOutputLatency() {
    return callHost(audioMasterGetOutputLatency);
}

// The host's opcode has no pin argument; the plug-in neighbour asked for is the host's choice.
AEffect* EffectBaseEx::getPreviousPlug(int32) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* EffectBaseEx::getNextPlug(int32) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

EffectBaseEx::intptr EffectBaseEx::willProcessReplacing() {
    return callHost(audioMasterWillReplaceOrAccumulate);
}

EffectBaseEx::intptr EffectBaseEx::getCurrentProcessLevel() {
    return callHost(audioMasterGetCurrentProcessLevel);
}

EffectBaseEx::intptr EffectBaseEx::getAutomationState() {
    return callHost(audioMasterGetAutomationState);
}

bool EffectBaseEx::offlineRead(void* task, int32 option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? kReadSource : 0, option, task) != 0;
}

bool EffectBaseEx::offlineWrite(void* task, int32 option) {
    return callHost(audioMasterOfflineWrite, 0, option, task) != 0;
}

bool EffectBaseEx::offlineStart(void* files, int32 fileCount, int32 newFileCount) {
    return callHost(audioMasterOfflineStart, newFileCount, fileCount, files) != 0;
}

EffectBaseEx::int32 EffectBaseEx::offlineGetCurrentPass() {
    return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0;
}

EffectBaseEx::int32 EffectBaseEx::offlineGetCurrentMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

EffectBaseEx::intptr EffectBaseEx::setOutputSampleRate(float rate) {
    return callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}

VstSpeakerArrangement* EffectBaseEx::getInputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* EffectBaseEx::getOutputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetOutputSpeakerArrangement));
}

bool EffectBaseEx::getHostVendorString(char* text) {
    return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool EffectBaseEx::getHostProductString(char* text) {
    return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

EffectBaseEx::intptr EffectBaseEx::getHostVendorVersion() {
    return callHost(audioMasterGetVendorVersion);
}

EffectBaseEx::intptr EffectBaseEx::hostVendorSpecific(int32 index, intptr value, void* ptr,
                                                      float opt) {
    return callHost(audioMasterVendorSpecific, index, value, ptr, opt);
}

// Hosts answer 1 for yes and -1 for no; both are a non-zero answer, reported as 1.
EffectBaseEx::int32 EffectBaseEx::canHostDo(char* text) {
    return callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0;
}

EffectBaseEx::intptr EffectBaseEx::getHostLanguage() {
    return callHost(audioMasterGetLanguage);
}

void* EffectBaseEx::openWindow(void* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool EffectBaseEx::closeWindow(void* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* EffectBaseEx::getDirectory() {
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool EffectBaseEx::updateDisplay() {
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool EffectBaseEx::beginEdit(int32 index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool EffectBaseEx::endEdit(int32 index) {
    return callHost(audioMasterEndEdit, index) != 0;
}

bool EffectBaseEx::openFileSelector(void* selector) {
    return selector && callHost(audioMasterOpenFileSelector, 0, 0, selector) != 0;
}
