// The interface's host callback carries no user data, only the effect's record, so one static
// function serves every hosted instance and finds the instance by its record here. During a
// plug-in's entry the record is not known yet (the version request comes with a null record),
// so calls on the loading thread that name no known record go to the instance being loaded.
#pragma once

#include "vst2/vst2.h"

namespace stepveil::host {

class HostedPlugin;

class HostCallbackRouter {
public:
    // The function handed to every plug-in's entry.
    static vst2::intptr VST2_CALL callback(AEffect* effect, vst2::int32 opcode, vst2::int32 index,
                                           vst2::intptr value, void* ptr, float opt);

    // Makes the record's calls reach the instance. Answers false when the table is full.
    static bool add(AEffect* effect, HostedPlugin* plugin);
    static void remove(AEffect* effect);

    // While alive, calls on this thread whose record is null or unknown reach the instance.
    class LoadingScope {
    public:
        explicit LoadingScope(HostedPlugin* plugin);
        LoadingScope(const LoadingScope&) = delete;
        LoadingScope& operator=(const LoadingScope&) = delete;
        ~LoadingScope();

    private:
        HostedPlugin* previous;
    };

    // How many instances may be hosted at once in one process.
    static constexpr int capacity = 256;

private:
    static HostedPlugin* find(AEffect* effect);
};

} // namespace stepveil::host
