// The `stepveil` command: everything it does lives in the stepveil_tool library, so that the
// tests can reach the same code.
#include "tools/Interruption.h"
#include "tools/ToolMain.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    stepveil::tool::installInterruptionHandlers();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return stepveil::tool::runTool(arguments);
}
