// The recording plug-in's journal: one line of text per call between a host and the plug-in
// it wraps, appended to the file named by STEPVEIL_RECORDER_LOG ("%p" in it stands for the
// process id). Without that variable nothing is written. Calls arrive from the host's
// user-interface and audio threads at once, so every line is written whole under a lock; this
// is a test instrument, not an audio path.
#pragma once

#include "vst2/vst2.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

namespace stepveil::recorder {

class CallJournal {
public:
    // The journal of this process, opened on first use.
    static CallJournal& instance();

    CallJournal(const CallJournal&) = delete;
    CallJournal& operator=(const CallJournal&) = delete;

    bool enabled() const { return file != nullptr; }

    void note(const std::string& line);
    void dispatcherCall(vst2::int32 opcode, vst2::int32 index, vst2::intptr value, const void* ptr,
                        float opt, vst2::intptr result);
    void hostCall(vst2::int32 opcode, vst2::int32 index, vst2::intptr value, float opt,
                  vst2::intptr result);
    void timeInfo(vst2::intptr filter, const VstTimeInfo* info);
    void processCall(const char* entry, vst2::int32 frames);
    void parameterSet(vst2::int32 index, float value);
    void parameterGet(vst2::int32 index, float value);

private:
    CallJournal();
    ~CallJournal();

    void writeLine(const char* format, ...) __attribute__((format(printf, 2, 3)));

    std::mutex lock;
    std::FILE* file = nullptr;
    std::chrono::steady_clock::time_point opened;
};

// Readable names of the interface's opcodes, for the journal; "?" for numbers it lacks.
const char* effectOpcodeName(vst2::int32 opcode);
const char* hostOpcodeName(vst2::int32 opcode);

} // namespace stepveil::recorder
