// The LV2 plug-in's ports, shared by the audio side, the editor side and the Turtle that
// describes them to hosts: stereo audio in and out, one control input per step (the gate's
// parameters, 0..1) and the time port that receives the host's song position.
#pragma once

#include <cstdint>

namespace stepveil::lv2 {

constexpr const char* pluginUri = "urn:ovrin-audio:stepveil";
constexpr const char* editorUri = "urn:ovrin-audio:stepveil#editor";
constexpr const char* presetUriPrefix = "urn:ovrin-audio:stepveil:preset:";

enum : std::uint32_t {
    inputLeftPort = 0,
    inputRightPort = 1,
    outputLeftPort = 2,
    outputRightPort = 3,
    firstLevelPort = 4,
    levelPortCount = 32,
    timePort = firstLevelPort + levelPortCount,
    portCount = timePort + 1,
};

constexpr bool isLevelPort(std::uint32_t port) {
    return port >= firstLevelPort && port < firstLevelPort + levelPortCount;
}

} // namespace stepveil::lv2
