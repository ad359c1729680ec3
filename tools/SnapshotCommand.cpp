#include "tools/SnapshotCommand.h"

#include "tools/PluginLocation.h"
#include "tools/PluginQueries.h"
#include "tools/PluginState.h"
#include "tools/ToolError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace stepveil::tool {
namespace {

// Host idles after opening: the first delivers the paint, the others let anything the
// editor does at idle settle.
constexpr int idlePasses = 3;

// What the tool hands the editor as its parent: a window of the host's own. On the plug-in's
// headless display any handle its layer did not make stands for the host's window, so the
// address of this object serves; the editor never reads through it.
struct HostWindow {
    int unused = 0;
};
HostWindow hostWindow;

// The environment variable that chooses the plug-in's display.
constexpr const char* displayVariable = "STEPVEIL_DISPLAY";

std::string systemError() {
    return std::strerror(errno);
}

// The picture's file while it is being made: beside OUTPUT, renamed into place only when the
// picture is complete, removed otherwise. Also names it to the plug-in's display.
class PictureFile {
public:
    explicit PictureFile(const std::string& outputPath) : outputPath_(outputPath) {
        const auto slash = outputPath.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : outputPath.substr(0, slash);
        const std::string name =
            slash == std::string::npos ? outputPath : outputPath.substr(slash + 1);
        std::string pattern = folder + "/." + name + ".XXXXXX";
        const int descriptor = mkstemp(pattern.data());
        if (descriptor < 0) {
            throw failure("cannot write \"" + outputPath + "\": " + systemError());
        }
        // mkstemp makes the file private; the finished picture gets the usual mode.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(descriptor, static_cast<mode_t>(0666 & ~mask));
        close(descriptor);
        temporaryPath_ = pattern;
        setenv(pictureVariable, temporaryPath_.c_str(), 1);
    }
    ~PictureFile() {
        unsetenv(pictureVariable);
        if (!temporaryPath_.empty()) {
            std::remove(temporaryPath_.c_str());
        }
    }
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    // The plug-in has written a PNG picture when the file starts with the PNG signature.
    bool holdsPicture() const {
        std::ifstream file(temporaryPath_, std::ios::binary);
        char signature[8] = {};
        file.read(signature, sizeof signature);
        return file.gcount() == 8 && std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8) == 0;
    }

    void commit() {
        unsetenv(pictureVariable);
        if (std::rename(temporaryPath_.c_str(), outputPath_.c_str()) != 0) {
            throw failure("cannot move the picture to \"" + outputPath_ + "\": " + systemError());
        }
        temporaryPath_.clear();
    }

private:
    std::string outputPath_;
    std::string temporaryPath_;
};

std::string chooseLevels(HostedPlugin& plugin, const SnapshotOptions& options) {
    const SelectedProgram program = loadState(plugin, options.state, options.program);
    if (options.levels) {
        if (parameterCount(plugin) != stepCount) {
            throw failure("--levels needs a plug-in with 32 parameters; this one has " +
                          std::to_string(parameterCount(plugin)));
        }
        for (int step = 0; step < stepCount; ++step) {
            plugin.setParameter(step, (*options.levels)[static_cast<std::size_t>(step)]);
        }
    }
    return std::to_string(program.index) + " \"" + program.name + "\"" +
           (options.levels ? " with the levels given" : "");
}

// What a host does to show an editor: ask its size, open it in the host's window, give it
// idle time, close it.
ERect showEditor(HostedPlugin& plugin) {
    if ((plugin.effect()->flags & effFlagsHasEditor) == 0) {
        throw failure("\"" + plugin.path() + "\" has no editor to picture");
    }
    ERect* size = nullptr;
    if (plugin.dispatch(effEditGetRect, 0, 0, &size) == 0 || size == nullptr) {
        throw failure("the editor of \"" + plugin.path() + "\" does not tell its size");
    }
    const ERect rect = *size;
    if (plugin.dispatch(effEditOpen, 0, 0, &hostWindow) == 0) {
        throw failure("the editor of \"" + plugin.path() + "\" did not open");
    }
    for (int pass = 0; pass < idlePasses; ++pass) {
        plugin.dispatch(effEditIdle);
    }
    plugin.dispatch(effEditClose);
    return rect;
}

} // namespace

void runSnapshot(const SnapshotOptions& options, std::FILE* report) {
    const std::string path = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    // The plug-in's layer picks its display when first used: the headless one draws without
    // a screen and mirrors the editor's picture into the file named above.
    setenv(displayVariable, "headless", 1);
    PictureFile picture(options.outputPath);
    std::unique_ptr<HostedPlugin> plugin = loadPlugin(path);
    plugin->open();
    const std::string programText = chooseLevels(*plugin, options);
    const ERect rect = showEditor(*plugin);
    plugin.reset();
    if (!picture.holdsPicture()) {
        throw failure("the editor of \"" + path +
                      "\" showed nothing the tool can save (it draws only through a display "
                      "of its own)");
    }
    picture.commit();
    std::fprintf(report, "wrote %s: the editor, %d x %d, program %s\n", options.outputPath.c_str(),
                 rect.right - rect.left, rect.bottom - rect.top, programText.c_str());
}

} // namespace stepveil::tool
