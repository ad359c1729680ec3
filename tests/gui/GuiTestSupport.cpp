#include "GuiTestSupport.h"
#include "tests/HeadlessDisplayChoice.h"

#include "gui/Control.h"
#include "platform/resources.h"

#include <cstdint>
#include <map>

// The library instance the toolkit loads its resources and registers its window class with;
// in this program, the program itself, set by the platform layer's load hook.
void* moduleInstance = nullptr;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleInstance = instance;
    }
    return TRUE;
}

namespace guitest {

namespace {

void putLittleEndian(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value,
                     int size) {
    for (int index = 0; index < size; index++) {
        bytes[at + static_cast<std::size_t>(index)] =
            static_cast<unsigned char>(value >> (8 * index));
    }
}

// A bottom-up 24-bit .bmp file, rows padded to four bytes, as resource compilers store them.
std::vector<unsigned char> makeBmp(int width, int height, const PixelFunction& pixel) {
    std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    std::size_t dataOffset = 14 + 40;
    std::vector<unsigned char> bytes(dataOffset + rowBytes * static_cast<std::size_t>(height));
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLittleEndian(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    putLittleEndian(bytes, 10, static_cast<std::uint32_t>(dataOffset), 4);
    putLittleEndian(bytes, 14, 40, 4);
    putLittleEndian(bytes, 18, static_cast<std::uint32_t>(width), 4);
    putLittleEndian(bytes, 22, static_cast<std::uint32_t>(height), 4);
    putLittleEndian(bytes, 26, 1, 2);
    putLittleEndian(bytes, 28, 24, 2);
    for (int y = 0; y < height; y++) {
        std::size_t row = dataOffset + rowBytes * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; x++) {
            COLORREF color = pixel(x, y);
            std::size_t at = row + static_cast<std::size_t>(x) * 3;
            bytes[at] = GetBValue(color);
            bytes[at + 1] = GetGValue(color);
            bytes[at + 2] = GetRValue(color);
        }
    }
    return bytes;
}

} // namespace

COLORREF checkerPixel(int x, int y) {
    return ((x / 2 + y / 2) % 2 == 0) ? RGB(255, 255, 255) : RGB(0, 0, 255);
}

COLORREF gradientPixel(int x, int y) {
    return RGB(10 * x, 20 * y, 100);
}

COLORREF trackPixel(int x, int /*y*/) {
    return (x == 7 || x == 8) ? RGB(60, 60, 60) : RGB(160, 160, 160);
}

COLORREF handlePixel(int x, int y) {
    bool corner = (x == 0 || x == 13) && (y == 0 || y == 11);
    if (corner) {
        return RGB(255, 255, 255);
    }
    return (y % 3 == 1) ? RGB(40, 40, 40) : RGB(200, 200, 200);
}

void registerTestBitmaps() {
    static std::map<int, std::vector<unsigned char>> files;
    if (!files.empty()) {
        return;
    }
    files[checkerBitmapId] = makeBmp(8, 6, checkerPixel);
    files[gradientBitmapId] = makeBmp(20, 10, gradientPixel);
    files[trackBitmapId] = makeBmp(16, 89, trackPixel);
    files[handleBitmapId] = makeBmp(14, 12, handlePixel);
    for (const auto& [id, bytes] : files) {
        stepveil::platform::registerBitmapResource(&files, id, bytes.data(), bytes.size());
    }
}

void dispatchPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
}

void paintWindow(HWND window) {
    InvalidateRect(window, nullptr, TRUE);
    dispatchPendingMessages();
}

headless::InputStep step(std::vector<int> keys, int frameX, int frameY) {
    headless::InputStep result;
    result.keysDown = std::move(keys);
    result.cursor = POINT{hostScreenX + frameX, hostScreenY + frameY};
    return result;
}

headless::InputStep step(std::vector<int> keys) {
    headless::InputStep result;
    result.keysDown = std::move(keys);
    return result;
}

void RecordingListener::onValueChanged(DrawContext* context, Control* control) {
    values.push_back(control->getValue());
    withContext.push_back(context != nullptr);
}

ProbeView::ProbeView(const Rect& viewSize, std::vector<std::string>* eventLog, std::string viewName)
    : View(viewSize), log(eventLog), name(std::move(viewName)) {}

ProbeView::~ProbeView() {
    if (destroyedFlag) {
        *destroyedFlag = true;
    }
}

void ProbeView::note(const std::string& what) {
    if (log) {
        log->push_back(name + " " + what);
    }
}

void ProbeView::draw(DrawContext* context) {
    draws++;
    View::draw(context);
}

void ProbeView::onMouseDown(DrawContext* /*context*/, Point where) {
    lastWhere = where;
    note("mouse");
}

View::int32 ProbeView::onKeyDown(VstKeyCode& /*key*/) {
    note("keydown");
    return keyAnswer;
}

View::int32 ProbeView::onKeyUp(VstKeyCode& /*key*/) {
    note("keyup");
    return keyAnswer;
}

bool ProbeView::onDrop(void** /*items*/, int32 /*count*/, int32 /*kind*/, Point where) {
    lastWhere = where;
    note("drop");
    return dropAnswer;
}

bool ProbeView::onWheel(DrawContext* /*context*/, Point where, float distance) {
    lastWhere = where;
    lastDistance = distance;
    note("wheel");
    return wheelAnswer;
}

void ProbeView::onFocusLost(DrawContext* /*context*/) {
    note("focuslost");
}

bool ProbeView::onRemoved(View* /*parent*/) {
    note("removed");
    return true;
}

bool ProbeView::onAttached(View* /*parent*/) {
    note("attached");
    return true;
}

void HeadlessTest::SetUp() {
    headless::reset();
    registerTestBitmaps();
    host = headless::createHostWindow(hostScreenX, hostScreenY, 600, 250);
    ASSERT_NE(host, nullptr);
}

void HeadlessTest::TearDown() {
    DestroyWindow(host);
    dispatchPendingMessages();
    headless::reset();
}

} // namespace guitest
