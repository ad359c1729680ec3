#include "host/HostedPlugin.h"

#include "host/HostCallbackRouter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace stepveil::host {

namespace {

// The interface's limits are 8 to 64 characters; a far larger, zeroed buffer keeps a plug-in
// that writes too much from harming the host, and the text is still cut at the first zero.
constexpr std::size_t textBufferSize = 512;
// Vendor and product strings of the host may hold 63 characters and the terminator.
constexpr std::size_t hostTextCapacity = 64;
// Longest capability text the call log keeps.
constexpr std::size_t loggedTextLimit = 256;

std::string boundedText(const char* text, std::size_t limit) {
    std::size_t length = 0;
    while (length < limit && text[length] != '\0') {
        ++length;
    }
    return std::string(text, length);
}

std::string hexadecimal(vst2::int32 value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

} // namespace

HostedPlugin::HostedPlugin(std::unique_ptr<PluginLibrary> loadedLibrary, HostSettings settings)
    : library(std::move(loadedLibrary)), hostSettings(std::move(settings)) {}

LoadResult HostedPlugin::load(const std::string& path, HostSettings settings) {
    LoadResult result;
    std::unique_ptr<PluginLibrary> library = PluginLibrary::open(path, result.error);
    if (library == nullptr) {
        return result;
    }
    const PluginEntry entry = library->entry();
    std::unique_ptr<HostedPlugin> plugin(new HostedPlugin(std::move(library), std::move(settings)));

    AEffect* effect = nullptr;
    {
        HostCallbackRouter::LoadingScope loading(plugin.get());
        effect = entry(&HostCallbackRouter::callback);
    }
    if (effect == nullptr) {
        result.error = "'" + path + "' made no effect: its entry returned null";
        return result;
    }
    if (effect->magic != kEffectMagic) {
        // The record cannot be trusted enough to close it; the file is unloaded as it is.
        result.error = "'" + path + "' is not a VST 2 plug-in: its record's magic number is " +
                       hexadecimal(effect->magic) + ", expected " + hexadecimal(kEffectMagic);
        return result;
    }
    if (!HostCallbackRouter::add(effect, plugin.get())) {
        HostCallbackRouter::LoadingScope closing(plugin.get());
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        result.error = "cannot host '" + path + "': already hosting " +
                       std::to_string(HostCallbackRouter::capacity) + " effects";
        return result;
    }
    plugin->record = effect;
    result.plugin = std::move(plugin);
    return result;
}

HostedPlugin::~HostedPlugin() {
    close();
}

void HostedPlugin::open() {
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(songTransport.sampleRate()));
    dispatch(effSetBlockSize, 0, hostSettings.blockSize);
}

void HostedPlugin::resume() {
    dispatch(effMainsChanged, 0, 1);
    resumed = record != nullptr;
}

void HostedPlugin::suspend() {
    dispatch(effMainsChanged, 0, 0);
    resumed = false;
}

HostedPlugin::intptr HostedPlugin::close() {
    if (record == nullptr) {
        return 0;
    }
    if (resumed) {
        suspend();
    }
    // The effect may still call the host while it closes, so its route stays until it is done.
    const intptr answer = record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
    HostCallbackRouter::remove(record);
    record = nullptr;
    return answer;
}

HostedPlugin::intptr HostedPlugin::dispatch(int32 opcode, int32 index, intptr value, void* ptr,
                                            float opt) {
    if (record == nullptr) {
        return 0;
    }
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

std::string HostedPlugin::dispatchForText(int32 opcode, int32 index, intptr value) {
    std::array<char, textBufferSize> buffer{};
    dispatch(opcode, index, value, buffer.data());
    return boundedText(buffer.data(), buffer.size() - 1);
}

void HostedPlugin::setParameter(int32 index, float value) {
    if (record != nullptr) {
        record->setParameter(record, index, value);
    }
}

float HostedPlugin::getParameter(int32 index) {
    return record != nullptr ? record->getParameter(record, index) : 0.0f;
}

HostedPlugin::int32 HostedPlugin::program() {
    return static_cast<int32>(dispatch(effGetProgram));
}

void HostedPlugin::setProgram(int32 programIndex) {
    dispatch(effSetProgram, 0, programIndex);
}

void HostedPlugin::setProgramName(const std::string& name) {
    std::array<char, textBufferSize> buffer{};
    std::memcpy(buffer.data(), name.data(), std::min(name.size(), buffer.size() - 1));
    dispatch(effSetProgramName, 0, 0, buffer.data());
}

std::string HostedPlugin::programName() {
    return dispatchForText(effGetProgramName);
}

std::string HostedPlugin::programNameIndexed(int32 index) {
    return dispatchForText(effGetProgramNameIndexed, index);
}

std::string HostedPlugin::parameterName(int32 index) {
    return dispatchForText(effGetParamName, index);
}

std::string HostedPlugin::parameterLabel(int32 index) {
    return dispatchForText(effGetParamLabel, index);
}

std::string HostedPlugin::parameterDisplay(int32 index) {
    return dispatchForText(effGetParamDisplay, index);
}

std::string HostedPlugin::effectName() {
    return dispatchForText(effGetEffectName);
}

std::string HostedPlugin::vendorString() {
    return dispatchForText(effGetVendorString);
}

std::string HostedPlugin::productString() {
    return dispatchForText(effGetProductString);
}

HostedPlugin::intptr HostedPlugin::canDo(const std::string& capability) {
    // A copy, so that the plug-in never holds a pointer into the caller's string.
    std::vector<char> text(capability.begin(), capability.end());
    text.push_back('\0');
    return dispatch(effCanDo, 0, 0, text.data());
}

void HostedPlugin::setSampleRate(double samplesPerSecond) {
    songTransport.setSampleRate(samplesPerSecond);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(samplesPerSecond));
}

void HostedPlugin::setBlockSize(int32 frames) {
    if (frames < 1) {
        throw std::invalid_argument("block size must be at least 1, got " + std::to_string(frames));
    }
    hostSettings.blockSize = frames;
    dispatch(effSetBlockSize, 0, frames);
}

void HostedPlugin::processBlock(float** inputs, float** outputs, int32 frames, ProcessMode mode) {
    if (record == nullptr) {
        throw std::logic_error("cannot process audio: the effect of '" + path() +
                               "' has been closed");
    }
    if (mode == ProcessMode::replacing && record->processReplacing != nullptr) {
        record->processReplacing(record, inputs, outputs, frames);
    } else if (record->process != nullptr) {
        if (mode == ProcessMode::replacing) {
            // Replacing through the accumulating entry: it adds to silence.
            for (int32 channel = 0; channel < record->numOutputs && frames > 0; ++channel) {
                std::fill(outputs[channel], outputs[channel] + frames, 0.0f);
            }
        }
        record->process(record, inputs, outputs, frames);
    }
    songTransport.advance(frames);
}

void HostedPlugin::processAudio(const AudioChannels& inputs, AudioChannels& outputs,
                                int32 blockSize, ProcessMode mode) {
    if (record == nullptr) {
        throw std::logic_error("cannot process audio: the effect of '" + path() +
                               "' has been closed");
    }
    if (blockSize < 1) {
        throw std::invalid_argument("block size must be at least 1, got " +
                                    std::to_string(blockSize));
    }
    std::size_t frames = 0;
    if (!inputs.empty()) {
        frames = inputs.front().size();
        for (const std::vector<float>& channel : inputs) {
            if (channel.size() != frames) {
                throw std::invalid_argument(
                    "input channels differ in length: " + std::to_string(frames) + " and " +
                    std::to_string(channel.size()) + " samples");
            }
        }
    } else {
        for (const std::vector<float>& channel : outputs) {
            frames = std::max(frames, channel.size());
        }
    }
    for (std::vector<float>& channel : outputs) {
        channel.resize(frames, 0.0f);
    }

    const std::size_t inputCount = static_cast<std::size_t>(std::max(record->numInputs, 0));
    const std::size_t outputCount = static_cast<std::size_t>(std::max(record->numOutputs, 0));
    const std::size_t blockFrames = static_cast<std::size_t>(blockSize);
    // Inputs are copied per block, so that the caller's constant data is never handed out for
    // writing; channels the caller lacks read silence, outputs it lacks go to scratch.
    AudioChannels inputScratch(inputCount, std::vector<float>(blockFrames));
    AudioChannels outputScratch(outputCount, std::vector<float>(blockFrames));
    std::vector<float*> inputPointers(std::max<std::size_t>(inputCount, 1), nullptr);
    std::vector<float*> outputPointers(std::max<std::size_t>(outputCount, 1), nullptr);

    for (std::size_t start = 0; start < frames; start += blockFrames) {
        const std::size_t count = std::min(blockFrames, frames - start);
        for (std::size_t channel = 0; channel < inputCount; ++channel) {
            std::vector<float>& scratch = inputScratch[channel];
            if (channel < inputs.size()) {
                std::copy_n(inputs[channel].begin() + static_cast<std::ptrdiff_t>(start), count,
                            scratch.begin());
            } else {
                std::fill_n(scratch.begin(), count, 0.0f);
            }
            inputPointers[channel] = scratch.data();
        }
        for (std::size_t channel = 0; channel < outputCount; ++channel) {
            if (channel < outputs.size()) {
                outputPointers[channel] = outputs[channel].data() + start;
            } else {
                std::fill_n(outputScratch[channel].begin(), count, 0.0f);
                outputPointers[channel] = outputScratch[channel].data();
            }
        }
        processBlock(inputPointers.data(), outputPointers.data(), static_cast<int32>(count), mode);
    }
    // Channels the plug-in does not have carry nothing of the processed signal.
    if (mode == ProcessMode::replacing) {
        for (std::size_t channel = outputCount; channel < outputs.size(); ++channel) {
            std::fill(outputs[channel].begin(), outputs[channel].end(), 0.0f);
        }
    }
}

HostedPlugin::intptr HostedPlugin::answerHostCall(AEffect* caller, int32 opcode, int32 index,
                                                  intptr value, void* ptr, float opt) {
    if (log.isEnabled()) {
        HostCall call;
        call.opcode = opcode;
        call.index = index;
        call.value = value;
        call.opt = opt;
        call.withEffect = caller != nullptr;
        if (opcode == audioMasterCanDo && ptr != nullptr) {
            call.text = boundedText(static_cast<const char*>(ptr), loggedTextLimit);
        }
        log.append(std::move(call));
    }

    switch (opcode) {
    case audioMasterVersion:
        return hostInterfaceVersion;
    case audioMasterGetTime:
        return answerTimeRequest();
    case audioMasterGetSampleRate:
        return static_cast<intptr>(std::lround(songTransport.sampleRate()));
    case audioMasterGetBlockSize:
        return hostSettings.blockSize;
    case audioMasterCurrentId:
        // The id of the effect being hosted, as far as its record tells it yet.
        return caller != nullptr ? caller->uniqueID : 0;
    case audioMasterAutomate:
    case audioMasterIdle:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        // Notices: recorded above, passed on, and acknowledged.
        if (noticeHandler) {
            noticeHandler(opcode, index, opt);
        }
        return 1;
    case audioMasterCanDo:
        return answerCanDo(ptr);
    case audioMasterGetVendorString:
        return writeHostText(ptr, hostSettings.vendorString);
    case audioMasterGetProductString:
        return writeHostText(ptr, hostSettings.productString);
    case audioMasterGetVendorVersion:
        return hostSettings.vendorVersion;
    default:
        return 0;
    }
}

HostedPlugin::intptr HostedPlugin::answerTimeRequest() {
    if (!songTransport.isAvailable()) {
        return 0;
    }
    songTransport.fillTimeInfo(timeInfo);
    return reinterpret_cast<intptr>(&timeInfo);
}

HostedPlugin::intptr HostedPlugin::writeHostText(void* destination, const std::string& text) {
    if (destination == nullptr) {
        return 0;
    }
    const std::size_t length = std::min(text.size(), hostTextCapacity - 1);
    char* target = static_cast<char*>(destination);
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
    return 1;
}

HostedPlugin::intptr HostedPlugin::answerCanDo(const void* text) const {
    if (text == nullptr) {
        return 0;
    }
    const std::string asked = boundedText(static_cast<const char*>(text), loggedTextLimit);
    const auto& known = hostSettings.capabilities;
    return std::find(known.begin(), known.end(), asked) != known.end() ? 1 : 0;
}

} // namespace stepveil::host
