// The extended effect base: serves opcodes 25 to 76, wraps the host's services (one host
// opcode per operation) and manages speaker-arrangement blocks. Every operation keeps its
// virtual slot whether or not anything in this plug-in calls it.
#pragma once

#include "effect/EffectBase.h"

class EffectBaseEx : public EffectBase {
public:
    EffectBaseEx(audioMasterCallback hostCallback, int32 numPrograms, int32 numParams);

    intptr dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt) override;

    virtual EditorBase* getEditor();
    virtual intptr wantEvents(int32 filter);
    virtual VstTimeInfo* getTimeInfo(int32 filter);
    virtual intptr getTempoAt(int32 position);
    virtual int32 processEvents(void* events);
    virtual intptr getNumAutomatableParameters();
    virtual intptr getParameterQuantization();
    virtual bool canParameterBeAutomated(int32 index);
    virtual bool stringToParameter(int32 index, char* text);
    virtual float getChannelParameter(int32 channel, int32 index);
    virtual int32 getNumCategories();
    virtual bool getProgramNameIndexed(int32 category, int32 index, char* text);
    virtual bool copyProgram(int32 destination);
    virtual bool ioChanged();
    virtual bool needIdle();
    virtual bool sizeWindow(int32 width, int32 height);
    virtual float updateSampleRate();
    virtual int32 updateBlockSize();
    virtual intptr getInputLatency();
    virtual intptr getOutputLatency();
    virtual AEffect* getPreviousPlug(int32 input);
    virtual AEffect* getNextPlug(int32 output);
    virtual void inputConnected(int32 index, bool state);
    virtual void outputConnected(int32 index, bool state);
    virtual bool getInputProperties(int32 index, void* properties);
    virtual bool getOutputProperties(int32 index, void* properties);
    virtual int32 getPlugCategory();
    virtual intptr willProcessReplacing();
    virtual intptr getCurrentProcessLevel();
    virtual intptr getAutomationState();
    virtual void setIsAsync(bool state);
    virtual void setHasExternalBuffer(bool state);
    virtual int32 reportCurrentPosition();
    virtual float* reportDestinationBuffer();
    virtual bool offlineRead(void* task, int32 option, bool readSource);
    virtual bool offlineWrite(void* task, int32 option);
    virtual bool offlineStart(void* files, int32 fileCount, int32 newFileCount);
    virtual int32 offlineGetCurrentPass();
    virtual int32 offlineGetCurrentMetaPass();
    virtual bool offlineNotify(void* audioFiles, int32 count, bool start);
    virtual bool offlinePrepare(void* tasks, int32 count);
    virtual bool offlineRun(void* tasks, int32 count);
    virtual int32 spareQueryA();
    virtual int32 spareQueryB();
    virtual intptr setOutputSampleRate(float rate);
    virtual VstSpeakerArrangement* getInputSpeakerArrangement();
    virtual VstSpeakerArrangement* getOutputSpeakerArrangement();
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual intptr getHostVendorVersion();
    virtual intptr hostVendorSpecific(int32 index, intptr value, void* ptr, float opt);
    virtual int32 canHostDo(char* text);
    virtual void setIsSynth(bool state);
    virtual void setNoSoundInStop(bool state);
    virtual intptr getHostLanguage();
    virtual void* openWindow(void* window);
    virtual bool closeWindow(void* window);
    virtual void* getDirectory();
    virtual bool updateDisplay();
    virtual bool processVariableIo(void* variableIo);
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output);
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** input,
                                       VstSpeakerArrangement** output);
    virtual bool setBlockSizeAndSampleRate(int32 size, float rate);
    virtual bool setBypass(bool state);
    virtual bool getEffectName(char* text);
    virtual bool getErrorText(char* text);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual int32 getVendorVersion();
    virtual intptr vendorSpecific(int32 index, intptr value, void* ptr, float opt);
    virtual int32 canDo(char* text);
    virtual void* getIcon();
    virtual bool setViewPosition(int32 x, int32 y);
    virtual int32 getTailSize();
    virtual int32 effectIdle();
    virtual bool getParameterProperties(int32 index, void* properties);
    virtual bool keysRequired();
    virtual int32 getVstVersion();
    virtual int32 getMidiProgramName(int32 channel, void* midiProgramName);
    virtual int32 getCurrentMidiProgram(int32 channel, void* currentProgram);
    virtual int32 getMidiProgramCategory(int32 channel, void* category);
    virtual bool hasMidiProgramsChanged(int32 channel);
    virtual bool getMidiKeyName(int32 channel, void* keyName);
    virtual bool beginSetProgram();
    virtual bool endSetProgram();
    virtual bool beginEdit(int32 index);
    virtual bool endEdit(int32 index);
    virtual bool openFileSelector(void* selector);
    virtual intptr setTotalSampleToProcess(intptr value);
    virtual int32 getNextShellPlugin(char* name);
    virtual int32 startProcess();
    virtual int32 stopProcess();
    virtual bool setPanLaw(int32 type, float gain);
    virtual int32 beginLoadBank(void* bankInfo);
    virtual int32 beginLoadProgram(void* programInfo);
    virtual bool allocateArrangement(VstSpeakerArrangement** holder, int32 channelCount);
    virtual bool deallocateArrangement(VstSpeakerArrangement** holder);
    virtual bool copySpeaker(VstSpeakerProperties* destination, VstSpeakerProperties* source);
    virtual bool matchArrangement(VstSpeakerArrangement** holder, VstSpeakerArrangement* source);

private:
    static bool opcodeNeedsPtr(int32 opcode);
    intptr dispatchOfflineAndSetup(int32 opcode, int32 index, intptr value, void* ptr, float opt);
    intptr dispatchIdleAndKeys(int32 opcode, int32 index, intptr value, void* ptr, float opt);
    intptr dispatchEditorKeys(int32 opcode, int32 index, intptr value, float opt);
    intptr dispatchMidiAndProcess(int32 opcode, int32 index, intptr value, void* ptr, float opt);
};
