#include "tools/ToolMain.h"

#include "tools/CommandLine.h"
#include "tools/InfoCommand.h"
#include "tools/OpenCommand.h"
#include "tools/RenderCommand.h"
#include "tools/SnapshotCommand.h"
#include "tools/ToolError.h"

#include <cstdio>
#include <exception>
#include <new>

#ifndef STEPVEIL_VERSION
#define STEPVEIL_VERSION "unknown"
#endif

namespace stepveil::tool {
namespace {

void runCommand(const Command& command) {
    if (const auto* help = std::get_if<HelpRequest>(&command)) {
        std::fputs(usageText(help->topic).c_str(), stdout);
    } else if (std::holds_alternative<VersionRequest>(command)) {
        std::printf("stepveil %s\n", STEPVEIL_VERSION);
    } else if (const auto* render = std::get_if<RenderOptions>(&command)) {
        runRender(*render, stdout, stderr);
    } else if (const auto* info = std::get_if<InfoOptions>(&command)) {
        runInfo(*info, stdout);
    } else if (const auto* snapshot = std::get_if<SnapshotOptions>(&command)) {
        runSnapshot(*snapshot, stdout);
    } else if (const auto* open = std::get_if<OpenOptions>(&command)) {
        runOpen(*open, stdout);
    }
}

} // namespace

int runTool(const std::vector<std::string>& arguments) {
    try {
        runCommand(parseCommandLine(arguments));
        if (std::fflush(stdout) != 0) {
            std::fprintf(stderr, "stepveil: cannot write to standard output\n");
            return exitFailure;
        }
        return exitSuccess;
    } catch (const ToolError& error) {
        std::fprintf(stderr, "stepveil: %s\n", error.what());
        if (error.status() == exitUsage) {
            std::fprintf(stderr, "Run stepveil --help for usage.\n");
        }
        return error.status();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "stepveil: out of memory\n");
    } catch (const std::exception& error) {
        // The host library reports misuse with standard exceptions; nothing else should reach
        // here, but a message beats an abort.
        std::fprintf(stderr, "stepveil: %s\n", error.what());
    }
    return exitFailure;
}

} // namespace stepveil::tool
