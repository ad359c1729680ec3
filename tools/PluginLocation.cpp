#include "tools/PluginLocation.h"

#include "tools/ToolError.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

// The build passes the plug-in's file name, where it builds it, and where an installation puts
// it as seen from the tool's own folder (the install layout's path from the tool's folder to
// the plug-in folder, such as "../lib/vst").
#ifndef STEPVEIL_PLUGIN_FILE_NAME
#define STEPVEIL_PLUGIN_FILE_NAME "Stepveil.so"
#endif
#ifndef STEPVEIL_PLUGIN_BUILD_PATH
#define STEPVEIL_PLUGIN_BUILD_PATH ""
#endif
#ifndef STEPVEIL_PLUGIN_FOLDER_FROM_TOOL
#define STEPVEIL_PLUGIN_FOLDER_FROM_TOOL ""
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
    // In order: a copied pair, an installed one (/usr/bin/stepveil finds /usr/lib/vst, and so
    // does any other prefix), the build's own. The installed place comes before the build's,
    // so that an installed tool never runs a build folder's plug-in that happens to remain.
    std::vector<std::string> candidates;
    const std::string directory = executableDirectory();
    if (!directory.empty()) {
        candidates.push_back(directory + "/" + STEPVEIL_PLUGIN_FILE_NAME);
        const std::string installedFolder = STEPVEIL_PLUGIN_FOLDER_FROM_TOOL;
        if (!installedFolder.empty()) {
            const std::filesystem::path installed =
                std::filesystem::path(directory) / installedFolder / STEPVEIL_PLUGIN_FILE_NAME;
            // The tool's folder has its links resolved, so ".." steps out of it as written.
            candidates.push_back(installed.lexically_normal().string());
        }
    }
    const std::string built = STEPVEIL_PLUGIN_BUILD_PATH;
    if (!built.empty()) {
        candidates.push_back(built);
    }
    std::string tried;
    for (const std::string& candidate : candidates) {
        if (isRegularFile(candidate)) {
            return candidate;
        }
        tried += (tried.empty() ? "" : ", ") + candidate;
    }
    throw failure(std::string("cannot find the plug-in file ") + STEPVEIL_PLUGIN_FILE_NAME +
                  (tried.empty() ? std::string() : " (looked for " + tried + ")") +
                  "; give its path with --plugin");
}

} // namespace stepveil::tool
