// One plug-in instance driven by the project's own host: loads the plug-in file, calls its
// entry with the host callback, answers the callback from a Transport and the HostSettings,
// records every call in a CallLog, and offers helpers for opcodes, parameters, texts and
// processing audio in blocks.
//
// Typical use:
//     auto loaded = HostedPlugin::load(path);
//     if (!loaded) { report(loaded.error); return; }
//     HostedPlugin& plugin = *loaded.plugin;
//     plugin.open();     // effOpen, sample rate, block size
//     plugin.resume();   // effMainsChanged 1
//     plugin.transport().setPpqPosition(8.0);
//     plugin.processAudio(inputs, outputs, 512);
//     // the destructor suspends, sends effClose and only then unloads the file
//
// Threads: the host callback may be called from any thread; the call log is safe to read and
// append from several threads. The transport belongs to the thread that processes audio:
// change it between blocks, from that thread.
#pragma once

#include "host/CallLog.h"
#include "host/PluginLibrary.h"
#include "host/Transport.h"
#include "vst2/vst2.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace stepveil::host {

// What the host answers about itself.
struct HostSettings {
    std::string vendorString = "Stepveil Project";
    std::string productString = "Stepveil Host";
    vst2::int32 vendorVersion = 1000;
    // Largest block the host sends: sent with effSetBlockSize by open() and answered to
    // audioMasterGetBlockSize.
    vst2::int32 blockSize = 512;
    // Texts answered with 1 to audioMasterCanDo; every other text is answered with 0.
    std::vector<std::string> capabilities = {"sendVstTimeInfo"};
};

// audioMasterVersion's answer: the interface revision this host speaks.
constexpr vst2::intptr hostInterfaceVersion = 2400;

// Planar audio: one vector of samples per channel.
using AudioChannels = std::vector<std::vector<float>>;

enum class ProcessMode {
    replacing,    // processReplacing: outputs are overwritten
    accumulating, // process: the plug-in adds to what the outputs hold
};

class HostedPlugin;

struct LoadResult {
    std::unique_ptr<HostedPlugin> plugin;
    // Why loading failed: names the file and the reason. Empty on success.
    std::string error;

    explicit operator bool() const { return plugin != nullptr; }
};

class HostedPlugin {
public:
    using int32 = vst2::int32;
    using intptr = vst2::intptr;

    // Loads the file, calls its entry and checks the record it returns. Fails with a clear
    // text when the file cannot be loaded, has no entry, its entry returns null or the record
    // does not carry the interface's magic number.
    static LoadResult load(const std::string& path, HostSettings settings = {});

    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;
    // Closes the effect (see close()) and then unloads the file.
    ~HostedPlugin();

    // The effect's record, or null once closed.
    AEffect* effect() const { return record; }
    const std::string& path() const { return library->path(); }
    Transport& transport() { return songTransport; }
    CallLog& callLog() { return log; }
    const CallLog& callLog() const { return log; }
    HostSettings& settings() { return hostSettings; }

    // Called for every notice the plug-in sends (audioMasterAutomate with the index and the
    // value, audioMasterBeginEdit and audioMasterEndEdit with the index, audioMasterIdle),
    // after it is logged, on the thread that sent it: where a host reacts as a real one would,
    // showing a value or doing its own idle work while the editor holds the mouse.
    using NoticeHandler = std::function<void(int32 opcode, int32 index, float value)>;
    void setNoticeHandler(NoticeHandler handler) { noticeHandler = std::move(handler); }

    // The start-up a host performs before processing: effOpen, then effSetSampleRate with the
    // transport's rate and effSetBlockSize with the settings' block size.
    void open();
    // effMainsChanged 1 and 0.
    void resume();
    void suspend();
    bool isResumed() const { return resumed; }
    // Suspends a resumed effect, sends effClose and forgets the record, which is invalid from
    // then on. Answers effClose's answer; 0 when already closed.
    intptr close();

    // Calls the effect's dispatcher; answers 0 without calling once the effect is closed.
    intptr dispatch(int32 opcode, int32 index = 0, intptr value = 0, void* ptr = nullptr,
                    float opt = 0.0f);
    // Calls an opcode that writes a text into ptr, with a zeroed buffer far larger than the
    // interface's text limits, and answers the text.
    std::string dispatchForText(int32 opcode, int32 index = 0, intptr value = 0);

    void setParameter(int32 index, float value);
    float getParameter(int32 index);
    int32 program();
    void setProgram(int32 program);
    void setProgramName(const std::string& name);
    std::string programName();
    std::string programNameIndexed(int32 index);
    std::string parameterName(int32 index);
    std::string parameterLabel(int32 index);
    std::string parameterDisplay(int32 index);
    std::string effectName();
    std::string vendorString();
    std::string productString();
    intptr canDo(const std::string& capability);
    // Sets the transport's rate and tells the effect (effSetSampleRate). Throws
    // std::invalid_argument for a rate that is not positive and finite.
    void setSampleRate(double samplesPerSecond);
    // Stores the host's block size and tells the effect (effSetBlockSize). Throws
    // std::invalid_argument below 1 frame.
    void setBlockSize(int32 frames);

    // Processes one block through the given channel pointers (numInputs and numOutputs of
    // them), then advances the transport by the block. A plug-in without processReplacing is
    // driven through process on cleared outputs.
    void processBlock(float** inputs, float** outputs, int32 frames,
                      ProcessMode mode = ProcessMode::replacing);
    // Processes whole planar buffers in blocks of at most blockSize frames. All input channels
    // must have one length; outputs are resized to it (accumulating keeps their content, new
    // samples start at 0). Channels the plug-in has beyond those given read silence or are
    // written to scratch. Throws std::invalid_argument for unequal inputs or a block size
    // below 1.
    void processAudio(const AudioChannels& inputs, AudioChannels& outputs, int32 blockSize,
                      ProcessMode mode = ProcessMode::replacing);

private:
    friend class HostCallbackRouter;

    HostedPlugin(std::unique_ptr<PluginLibrary> loadedLibrary, HostSettings settings);

    // Answers one call of the plug-in to its host.
    intptr answerHostCall(AEffect* caller, int32 opcode, int32 index, intptr value, void* ptr,
                          float opt);
    intptr answerTimeRequest();
    static intptr writeHostText(void* destination, const std::string& text);
    intptr answerCanDo(const void* text) const;

    // Declared first so that it is destroyed last: the file stays loaded until the effect
    // has been closed.
    std::unique_ptr<PluginLibrary> library;
    HostSettings hostSettings;
    Transport songTransport;
    CallLog log;
    VstTimeInfo timeInfo{};
    AEffect* record = nullptr;
    bool resumed = false;
    NoticeHandler noticeHandler;
};

} // namespace stepveil::host
