#include "tools/ProgramLookup.h"

#include "tools/ToolError.h"

#include <algorithm>
#include <cctype>

namespace stepveil::tool {
namespace {

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

std::string listOf(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t index = 0; index < names.size(); ++index) {
        list += (index == 0 ? "" : ", ") + std::to_string(index) + " \"" + names[index] + "\"";
    }
    return list;
}

} // namespace

int resolveProgram(const ProgramChoice& choice, const std::vector<std::string>& programNames) {
    const auto count = static_cast<int>(programNames.size());
    if (choice.number) {
        if (*choice.number >= count) {
            throw usageError("--program: there is no program " + std::to_string(*choice.number) +
                             (count == 0
                                  ? "; the plug-in has no programs"
                                  : "; the plug-in has programs 0.." + std::to_string(count - 1)));
        }
        return *choice.number;
    }
    const auto exact = std::find(programNames.begin(), programNames.end(), choice.name);
    if (exact != programNames.end()) {
        return static_cast<int>(exact - programNames.begin());
    }
    const auto loose =
        std::find_if(programNames.begin(), programNames.end(),
                     [&](const std::string& name) { return equalIgnoringCase(name, choice.name); });
    if (loose != programNames.end()) {
        return static_cast<int>(loose - programNames.begin());
    }
    throw usageError("--program: no program is named \"" + choice.name +
                     "\"; the programs are: " + listOf(programNames));
}

} // namespace stepveil::tool
