#include "platform/linux/display/x11/XdndData.h"

#include <unistd.h>

#include <strings.h>

#include <optional>

namespace stepveil::platform {

namespace {

int hexDigit(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

// The bytes the escapes stand for; nothing when an escape is malformed.
std::optional<std::string> percentDecoded(const std::string& text) {
    std::string bytes;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '%') {
            bytes += text[index];
            continue;
        }
        if (index + 2 >= text.size()) {
            return std::nullopt;
        }
        int high = hexDigit(text[index + 1]);
        int low = hexDigit(text[index + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes += static_cast<char>(high * 16 + low);
        index += 2;
    }
    return bytes;
}

bool sameHost(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The local path of one URI, or nothing. "file:" is followed either by "//", a host and the
// path, or directly by the path.
std::optional<std::string> localPathOfUri(const std::string& uri, const std::string& hostName) {
    constexpr std::size_t schemeLength = 5;
    if (uri.size() <= schemeLength || strncasecmp(uri.data(), "file:", schemeLength) != 0) {
        return std::nullopt;
    }
    std::string rest = uri.substr(schemeLength);
    if (rest.compare(0, 2, "//") == 0) {
        std::size_t pathStart = rest.find('/', 2);
        if (pathStart == std::string::npos) {
            return std::nullopt;
        }
        std::string host = rest.substr(2, pathStart - 2);
        if (!host.empty() && !sameHost(host, "localhost") &&
            (hostName.empty() || !sameHost(host, hostName))) {
            return std::nullopt;
        }
        rest = rest.substr(pathStart);
    }
    if (rest.empty() || rest[0] != '/') {
        return std::nullopt;
    }
    // A query or fragment is no part of a file's name.
    rest = rest.substr(0, rest.find_first_of("?#"));
    return percentDecoded(rest);
}

} // namespace

std::vector<std::string> localPathsOfUriList(const std::string& uriList,
                                             const std::string& hostName) {
    std::vector<std::string> paths;
    std::size_t lineStart = 0;
    while (lineStart < uriList.size()) {
        std::size_t lineEnd = uriList.find('\n', lineStart);
        if (lineEnd == std::string::npos) {
            lineEnd = uriList.size();
        }
        std::string line = uriList.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (auto path = localPathOfUri(line, hostName)) {
            paths.push_back(*path);
        }
    }
    return paths;
}

std::string utf8OfLatin1(const std::string& latin1) {
    std::string utf8;
    for (char byte : latin1) {
        auto code = static_cast<unsigned char>(byte);
        if (code < 0x80) {
            utf8 += byte;
        } else {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

std::string localHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) {
        return "";
    }
    return name;
}

} // namespace stepveil::platform
