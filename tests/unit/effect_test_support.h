// A stand-in host that records every call the effect makes, and a small effect and editor that
// record what the dispatcher asks of them, for the effect base layer's tests.
#pragma once

#include "editor/EditorBase.h"
#include "effect/EffectBaseEx.h"

#include <map>
#include <vector>

struct HostCall {
    AEffect* effect;
    vst2::int32 opcode;
    vst2::int32 index;
    vst2::intptr value;
    void* ptr;
    float opt;
};

// One recording host at a time; its callback reaches it through `current`, since the version
// query of the entry comes without a record.
class RecordingHost {
public:
    RecordingHost() { current = this; }
    ~RecordingHost() { current = nullptr; }
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    static vst2::intptr VST2_CALL callback(AEffect* effect, vst2::int32 opcode, vst2::int32 index,
                                           vst2::intptr value, void* ptr, float opt) {
        if (!current) {
            return 0;
        }
        current->calls.push_back({effect, opcode, index, value, ptr, opt});
        const auto found = current->answers.find(opcode);
        return found != current->answers.end() ? found->second : current->defaultAnswer;
    }

    std::vector<HostCall> calls;
    std::map<vst2::int32, vst2::intptr> answers;
    vst2::intptr defaultAnswer = 0;

private:
    static inline RecordingHost* current = nullptr;
};

struct EffectLog {
    std::vector<const char*> events;
    int destroyed = 0;
    int editorsDestroyed = 0;
};

class RecordingEditor : public EditorBase {
public:
    RecordingEditor(EffectBase* owner, EffectLog& sharedLog) : EditorBase(owner), log(sharedLog) {}
    ~RecordingEditor() override { ++log.editorsDestroyed; }

    int32 getRect(ERect** rect) override {
        log.events.push_back("editor getRect");
        *rect = &area;
        return 1;
    }
    int32 open(void* parent) override {
        log.events.push_back("editor open");
        parentWindow = parent;
        return 1;
    }
    void close() override { log.events.push_back("editor close"); }
    void idle() override { log.events.push_back("editor idle"); }
    int32 onKeyDown(KeyCode& keyCode) override {
        lastKey = keyCode;
        return 7;
    }
    int32 onKeyUp(KeyCode& keyCode) override {
        lastKey = keyCode;
        return 8;
    }
    int32 setKnobMode(int32 mode) override { return mode == 2 ? 102 : 0; }

    ERect area{0, 0, 200, 562};
    KeyCode lastKey{};

private:
    EffectLog& log;
};

class RecordingEffect : public EffectBaseEx {
public:
    explicit RecordingEffect(EffectLog& sharedLog,
                             audioMasterCallback callback = RecordingHost::callback)
        : EffectBaseEx(callback, 4, 3), log(sharedLog) {}
    ~RecordingEffect() override { ++log.destroyed; }

    void process(float**, float**, int32) override { log.events.push_back("process"); }
    void processReplacing(float**, float**, int32) override {
        log.events.push_back("processReplacing");
    }
    void setParameter(int32 index, float value) override {
        lastParameterIndex = index;
        lastParameterValue = value;
    }
    float getParameter(int32 index) override { return static_cast<float>(index) + 0.5f; }
    void open() override { log.events.push_back("open"); }
    void close() override { log.events.push_back("close"); }
    void suspend() override { log.events.push_back("suspend"); }
    void resume() override { log.events.push_back("resume"); }
    void setSampleRate(float rate) override {
        log.events.push_back("setSampleRate");
        EffectBaseEx::setSampleRate(rate);
    }
    void setBlockSize(int32 size) override {
        log.events.push_back("setBlockSize");
        EffectBaseEx::setBlockSize(size);
    }
    void getParameterName(int32 index, char* text) override {
        text[0] = static_cast<char>('A' + index);
        text[1] = '\0';
    }
    float getVu() override { return vu; }

    using EffectBaseEx::blockSize;
    using EffectBaseEx::sampleRate;

    int32 lastParameterIndex = -1;
    float lastParameterValue = -1.0f;
    float vu = 0.0f;

private:
    EffectLog& log;
};
