#include "gate/Program.h"

#include <cstring>

Program::Program() : name{} {
    for (auto& level : levels) {
        level.store(0.5f, std::memory_order_relaxed);
    }
    setName("Init");
}

void Program::setName(const char* text) {
    if (text == nullptr) {
        return;
    }
    // strnlen is not in C++17; the bounded scan keeps an unterminated host text from being
    // read past the 23 characters we can keep.
    std::size_t length = 0;
    while (length < nameSize - 1 && text[length] != '\0') {
        ++length;
    }
    Name cut{};
    std::memcpy(cut.data(), text, length);
    const std::lock_guard<std::mutex> guard(nameLock);
    name = cut;
}

Program::Name Program::getName() const {
    const std::lock_guard<std::mutex> guard(nameLock);
    return name;
}
