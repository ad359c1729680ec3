// Runs the built `stepveil` program as a child process and captures what it says.
#pragma once

#include <string>
#include <vector>

struct ToolRun {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

ToolRun runStepveil(const std::vector<std::string>& arguments);

// A run in progress, for tests that signal the tool while it works.
class RunningTool {
public:
    explicit RunningTool(const std::vector<std::string>& arguments);
    ~RunningTool();
    RunningTool(const RunningTool&) = delete;
    RunningTool& operator=(const RunningTool&) = delete;

    void sendSignal(int signalNumber);
    ToolRun wait();

private:
    std::string capture;
    int processId = -1;
};

// A folder under the system's temporary directory, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return root + "/" + name; }
    // The names of the files in the folder, sorted: shows leftovers such as temporary files.
    std::vector<std::string> fileNames() const;

private:
    std::string root;
};

void writeTextFile(const std::string& path, const std::string& text);
std::string readTextFile(const std::string& path);
bool fileExists(const std::string& path);
