// The effect side of the plug-in interface: the record a host holds, the static entry points
// placed in it, and the virtual operations that turn opcodes 0 to 24 into calls on the effect.
#pragma once

#include "vst2/vst2.h"

#include <atomic>
#include <cstdint>

class EditorBase;

using KeyCode = VstKeyCode;

// The library's module instance handle, stored by the attach hook; resource and window-class
// code reach the library's own resources through it.
extern void* moduleInstance;

// Set by the full effect's constructor when it cannot make its editor; `main` reads it to
// refuse the effect it has just made. Reset by `main` before each construction, so one
// failure does not poison every later instance of the process. Atomic, as hosts may make
// instances on several threads at once.
extern std::atomic<bool> editorFailed;

class EffectBase {
public:
    using int32 = vst2::int32;
    using intptr = vst2::intptr;

    EffectBase(audioMasterCallback hostCallback, int32 numPrograms, int32 numParams);
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    virtual ~EffectBase();
    virtual void setParameter(int32 index, float value);
    virtual float getParameter(int32 index);
    virtual void setParameterAndAutomate(int32 index, float value);
    virtual void process(float** inputs, float** outputs, int32 sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, int32 sampleFrames);
    virtual intptr dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt);
    virtual void open();
    virtual void close();
    virtual int32 getProgram();
    virtual void setProgram(int32 program);
    virtual void setProgramName(char* text);
    virtual void getProgramName(char* text);
    virtual void getParameterLabel(int32 index, char* text);
    virtual void getParameterDisplay(int32 index, char* text);
    virtual void getParameterName(int32 index, char* text);
    virtual float getVu();
    virtual int32 getChunk(void** data, bool isPreset);
    virtual int32 setChunk(void* data, int32 byteSize, bool isPreset);
    virtual void setSampleRate(float rate);
    virtual void setBlockSize(int32 size);
    virtual void suspend();
    virtual void resume();
    virtual void setUniqueId(int32 id);
    virtual void setNumInputs(int32 count);
    virtual void setNumOutputs(int32 count);
    virtual void setHasVu(bool state);
    virtual void setHasClip(bool state);
    virtual void setCanMono(bool state);
    virtual void setCanReplacing(bool state);
    virtual void setProgramsAreChunks(bool state);
    virtual void setRealtimeQualities(int32 count);
    virtual void setOfflineQualities(int32 count);
    virtual void setInitialDelay(int32 samples);
    virtual float getSampleRate();
    virtual int32 getBlockSize();
    virtual int32 getHostVersion();
    virtual int32 getHostCurrentId();
    virtual void hostIdle();
    virtual bool isInputConnected(int32 index);
    virtual bool isOutputConnected(int32 index);
    virtual void formatDecibels(float value, char* text);
    virtual void formatHertz(float samples, char* text);
    virtual void formatMilliseconds(float samples, char* text);
    virtual void formatFloat(float value, char* text);
    virtual void formatInteger(int32 value, char* text);

    AEffect* getAeffect() { return &effectRecord; }
    EditorBase* getAttachedEditor() const { return editor; }
    // The editor attaches itself when it is made; the effect owns it from then on.
    void attachEditor(EditorBase* newEditor);
    void setFlag(int32 flag, bool state);

    // The host's calls that may come on any thread while another thread closes the effect
    // (parameters, programs and their texts; none of them calls the host). Each is counted
    // while it runs; effClose turns new ones away (enter answers false) and waits until those
    // inside have left, so a worker thread still changing the program when another thread
    // closes the effect finishes on an effect that still exists.
    bool enterAnyThreadCall();
    void leaveAnyThreadCall();
    void stopAnyThreadCalls();
    // Closes the editor before the effect is destroyed. False when the editor's thread is
    // still inside the editor's calls (a host callback holding it up): the effect must then
    // be left as it is, never freed.
    bool prepareForDestruction();

protected:
    float sampleRate;
    EditorBase* editor;
    audioMasterCallback hostCallback;
    int32 numPrograms;
    int32 numParams;
    // Written by a program change on the host's user-interface thread while a parameter change
    // on the audio thread reads it to find the program to store into.
    std::atomic<int32> currentProgram;
    int32 blockSize;
    AEffect effectRecord;

    intptr callHost(int32 opcode, int32 index = 0, intptr value = 0, void* ptr = nullptr,
                    float opt = 0.0f);

private:
    std::atomic<int> anyThreadCallsInside{0};
    std::atomic<bool> closing{false};

    void describeParameter(int32 opcode, int32 index, char* text);
    intptr dispatchEditorOpcode(int32 opcode, void* ptr);
};
