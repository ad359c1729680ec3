// Loading a plug-in file on Windows.
#include "host/PluginLibrary.h"

#include <windows.h>

#include <cstring>

namespace stepveil::host {

namespace {

std::string describeSystemError(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = "system error " + std::to_string(code);
    if (length > 0 && text != nullptr) {
        std::string described(text, length);
        while (!described.empty() &&
               (described.back() == '\n' || described.back() == '\r' || described.back() == ' ')) {
            described.pop_back();
        }
        message += " (" + described + ")";
    }
    LocalFree(text);
    return message;
}

} // namespace

PluginLibrary::~PluginLibrary() {
    FreeLibrary(static_cast<HMODULE>(moduleHandle));
}

std::unique_ptr<PluginLibrary> PluginLibrary::open(const std::string& path,
                                                   std::string& errorText) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        errorText =
            "cannot load plug-in file '" + path + "': " + describeSystemError(GetLastError());
        return nullptr;
    }
    FARPROC symbol = GetProcAddress(module, "main");
    if (symbol == nullptr) {
        FreeLibrary(module);
        errorText = "'" + path + "' is not a VST 2 plug-in: it does not export main";
        return nullptr;
    }
    PluginEntry entry = nullptr;
    static_assert(sizeof(entry) == sizeof(symbol), "entry and procedure pointers differ in size");
    std::memcpy(&entry, &symbol, sizeof(entry));
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(module, entry, path));
}

} // namespace stepveil::host
