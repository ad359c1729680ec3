#include "ToolProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace {

std::string makeTemporaryFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "stepveil-tool-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder");
    }
    return pattern;
}

} // namespace

ScratchFolder::ScratchFolder() : root(makeTemporaryFolder()) {}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::vector<std::string> ScratchFolder::fileNames() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

RunningTool::RunningTool(const std::vector<std::string>& arguments)
    : capture(makeTemporaryFolder()) {
    const std::string outPath = capture + "/out";
    const std::string errPath = capture + "/err";
    std::vector<std::string> argv{STEPVEIL_TOOL_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (auto& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, STEPVEIL_TOOL_PATH, &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " STEPVEIL_TOOL_PATH);
    }
    processId = child;
}

RunningTool::~RunningTool() {
    if (processId > 0) {
        kill(processId, SIGKILL);
        waitpid(processId, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(capture, ignored);
}

void RunningTool::sendSignal(int signalNumber) {
    kill(processId, signalNumber);
}

ToolRun RunningTool::wait() {
    int status = 0;
    waitpid(processId, &status, 0);
    processId = -1;
    ToolRun run;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = readTextFile(capture + "/out");
    run.err = readTextFile(capture + "/err");
    return run;
}

ToolRun runStepveil(const std::vector<std::string>& arguments) {
    return RunningTool(arguments).wait();
}
