// Compares the conformance picture drawn by the platform layer with the one real Win32 drew:
// identical pixel for pixel outside the text cells, and inside each cell the text's extent
// in the same place (glyph shapes may differ between the two font engines).
//
//   conformance_compare <layer.ppm> <win32.ppm> <text-cells.txt> <output-directory>
//       writes layer.png, win32.png and difference.png; exit status 0 when they conform
//   conformance_compare --png <picture.ppm> <picture.png>
//       converts a picture for looking at it
#include "platform/headless.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace headless = stepveil::platform::headless;

namespace {

// How far, in pixels, each edge of a cell's text may lie from the other system's.
constexpr int textPlacementTolerance = 3;
// The colour the drawing program fills its text cells with before drawing the text.
constexpr COLORREF cellColour = RGB(0x10, 0x18, 0x30);

bool readPpm(const std::string& path, headless::Image& image) {
    std::ifstream file(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    if (!(file >> magic >> image.width >> image.height >> maximum) || magic != "P6" ||
        maximum != 255 || image.width <= 0 || image.height <= 0 || image.width > 10000 ||
        image.height > 10000) {
        return false;
    }
    file.get();
    std::vector<unsigned char> bytes(static_cast<std::size_t>(image.width) *
                                     static_cast<std::size_t>(image.height) * 3);
    if (!file.read(reinterpret_cast<char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()))) {
        return false;
    }
    image.pixels.clear();
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        image.pixels.push_back(RGB(bytes[at], bytes[at + 1], bytes[at + 2]));
    }
    return true;
}

std::vector<RECT> readCells(const std::string& path) {
    std::vector<RECT> cells;
    std::ifstream file(path);
    RECT cell{};
    while (file >> cell.left >> cell.top >> cell.right >> cell.bottom) {
        cells.push_back(cell);
    }
    return cells;
}

bool inside(const RECT& cell, int x, int y) {
    return x >= cell.left && x < cell.right && y >= cell.top && y < cell.bottom;
}

// The smallest rectangle holding every pixel of the cell that is not the cell's colour;
// empty (right < left) when there is none.
RECT inkExtent(const headless::Image& image, const RECT& cell) {
    RECT extent{cell.right, cell.bottom, cell.left - 1, cell.top - 1};
    for (int y = cell.top; y < cell.bottom; ++y) {
        for (int x = cell.left; x < cell.right; ++x) {
            if (image.at(x, y) != cellColour) {
                extent.left = std::min(extent.left, static_cast<LONG>(x));
                extent.top = std::min(extent.top, static_cast<LONG>(y));
                extent.right = std::max(extent.right, static_cast<LONG>(x));
                extent.bottom = std::max(extent.bottom, static_cast<LONG>(y));
            }
        }
    }
    return extent;
}

bool closeTo(LONG first, LONG second) {
    return std::abs(first - second) <= textPlacementTolerance;
}

int compareOutsideText(const headless::Image& layer, const headless::Image& win32,
                       const std::vector<RECT>& cells, headless::Image& difference) {
    int mismatches = 0;
    for (int y = 0; y < layer.height; ++y) {
        for (int x = 0; x < layer.width; ++x) {
            bool inText = std::any_of(cells.begin(), cells.end(),
                                      [&](const RECT& cell) { return inside(cell, x, y); });
            std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(layer.width) +
                             static_cast<std::size_t>(x);
            if (inText || layer.pixels[at] == win32.pixels[at]) {
                continue;
            }
            difference.pixels[at] = RGB(255, 0, 0);
            if (mismatches++ < 20) {
                std::fprintf(stderr, "pixel (%d, %d): layer %06lx, Win32 %06lx\n", x, y,
                             static_cast<unsigned long>(layer.pixels[at]),
                             static_cast<unsigned long>(win32.pixels[at]));
            }
        }
    }
    return mismatches;
}

int compareText(const headless::Image& layer, const headless::Image& win32,
                const std::vector<RECT>& cells) {
    int misplaced = 0;
    for (const RECT& cell : cells) {
        RECT ours = inkExtent(layer, cell);
        RECT theirs = inkExtent(win32, cell);
        bool bothInked = ours.right >= ours.left && theirs.right >= theirs.left;
        if (!bothInked || !closeTo(ours.left, theirs.left) || !closeTo(ours.top, theirs.top) ||
            !closeTo(ours.right, theirs.right) || !closeTo(ours.bottom, theirs.bottom)) {
            ++misplaced;
            std::fprintf(stderr,
                         "text cell (%ld, %ld, %ld, %ld): layer ink %ld..%ld x %ld..%ld, "
                         "Win32 ink %ld..%ld x %ld..%ld\n",
                         static_cast<long>(cell.left), static_cast<long>(cell.top),
                         static_cast<long>(cell.right), static_cast<long>(cell.bottom),
                         static_cast<long>(ours.left), static_cast<long>(ours.right),
                         static_cast<long>(ours.top), static_cast<long>(ours.bottom),
                         static_cast<long>(theirs.left), static_cast<long>(theirs.right),
                         static_cast<long>(theirs.top), static_cast<long>(theirs.bottom));
        }
    }
    return misplaced;
}

int convert(const std::string& input, const std::string& output) {
    headless::Image image;
    if (!readPpm(input, image) || !headless::savePng(image, output)) {
        std::fprintf(stderr, "conformance_compare: cannot convert %s to %s\n", input.c_str(),
                     output.c_str());
        return 1;
    }
    return 0;
}

int compare(const std::string& layerPath, const std::string& win32Path,
            const std::string& cellsPath, const std::string& directory) {
    headless::Image layer;
    headless::Image win32;
    if (!readPpm(layerPath, layer) || !readPpm(win32Path, win32)) {
        std::fprintf(stderr, "conformance_compare: cannot read the pictures\n");
        return 1;
    }
    if (layer.width != win32.width || layer.height != win32.height) {
        std::fprintf(stderr, "conformance_compare: the pictures differ in size\n");
        return 1;
    }
    std::vector<RECT> cells = readCells(cellsPath);
    headless::Image difference = layer;
    for (COLORREF& pixel : difference.pixels) {
        pixel = RGB(GetRValue(pixel) / 4, GetGValue(pixel) / 4, GetBValue(pixel) / 4);
    }
    int mismatches = compareOutsideText(layer, win32, cells, difference);
    int misplaced = compareText(layer, win32, cells);
    headless::savePng(layer, directory + "/layer.png");
    headless::savePng(win32, directory + "/win32.png");
    headless::savePng(difference, directory + "/difference.png");
    std::printf("%d pixels differ outside text; %zu text cells, %d misplaced\n", mismatches,
                cells.size(), misplaced);
    return mismatches == 0 && misplaced == 0 && !cells.empty() ? 0 : 1;
}

} // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount == 4 && std::string(arguments[1]) == "--png") {
        return convert(arguments[2], arguments[3]);
    }
    if (argumentCount == 5) {
        return compare(arguments[1], arguments[2], arguments[3], arguments[4]);
    }
    std::fprintf(stderr, "usage: conformance_compare <layer.ppm> <win32.ppm> <cells.txt> <dir>\n"
                         "       conformance_compare --png <picture.ppm> <picture.png>\n");
    return 2;
}
