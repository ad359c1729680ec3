#include "TestFiles.h"

namespace stepveil::test {

namespace {

std::string& chosenPluginFile() {
#if defined(STEPVEIL_PLUGIN_FILE)
    static std::string path = STEPVEIL_PLUGIN_FILE;
#else
    static std::string path;
#endif
    return path;
}

} // namespace

const std::string& pluginFile() {
    return chosenPluginFile();
}

void usePluginFile(std::string path) {
    chosenPluginFile() = std::move(path);
}

std::string probeFile() {
    return STEPVEIL_PROBE_FILE;
}
std::string probeWithoutEntryFile() {
    return STEPVEIL_PROBE_NO_ENTRY_FILE;
}
std::string probeReturningNullFile() {
    return STEPVEIL_PROBE_NULL_FILE;
}
std::string probeWithBadMagicFile() {
    return STEPVEIL_PROBE_BAD_MAGIC_FILE;
}

} // namespace stepveil::test
