#include "tools/PluginLocation.h"

#include "tools/ToolError.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

// The build passes the plug-in's file name and where it builds it.
#ifndef STEPVEIL_PLUGIN_FILE_NAME
#define STEPVEIL_PLUGIN_FILE_NAME "Stepveil.so"
#endif
#ifndef STEPVEIL_PLUGIN_BUILD_PATH
#define STEPVEIL_PLUGIN_BUILD_PATH ""
#endif

namespace stepveil::tool {
namespace {

bool isRegularFile(const std::string& path) {
    struct stat status {};
    return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string executableDirectory() {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return {};
    }
    const std::string path(buffer.data(), static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

std::string defaultPluginPath() {
    const std::string directory = executableDirectory();
    if (!directory.empty()) {
        const std::string beside = directory + "/" + STEPVEIL_PLUGIN_FILE_NAME;
        if (isRegularFile(beside)) {
            return beside;
        }
    }
    const std::string built = STEPVEIL_PLUGIN_BUILD_PATH;
    if (isRegularFile(built)) {
        return built;
    }
    throw failure(std::string("cannot find the plug-in file ") + STEPVEIL_PLUGIN_FILE_NAME +
                  " beside the tool or in the build" +
                  (built.empty() ? std::string() : " (" + built + ")") +
                  "; give its path with --plugin");
}

} // namespace stepveil::tool
