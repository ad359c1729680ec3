// The Windows plug-in file on real Win32 (run under Wine): its editor opened by a host in a
// top-level window, painted by the system's own message flow and compared with the picture
// the Linux headless display draws, then dragged with real mouse input from SendInput.
#include "../gui/TestDataObject.h"
#include "../gui/WineDragSource.h"
#include "host/HostedPlugin.h"

#include <gtest/gtest.h>

#include <wincodec.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using stepveil::host::HostedPlugin;

constexpr int editorWidth = 562;
constexpr int editorHeight = 200;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// A file next to this program, which CTest runs from elsewhere.
std::wstring besideProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}

// Pixels of a PNG file through the system's imaging component.
Picture readPng(const std::wstring& path) {
    Picture picture;
    IWICImagingFactory* factory = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
        return picture;
    }
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    UINT width = 0;
    UINT height = 0;
    if (SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) &&
        SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA,
                                        WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&width, &height))) {
        std::vector<BYTE> bytes(static_cast<std::size_t>(width) * height * 4);
        if (SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(bytes.size()),
                                            bytes.data()))) {
            picture.width = static_cast<int>(width);
            picture.height = static_cast<int>(height);
            for (std::size_t at = 0; at < bytes.size(); at += 4) {
                picture.pixels.push_back(RGB(bytes[at + 2], bytes[at + 1], bytes[at]));
            }
        }
    }
    for (IUnknown* object : {static_cast<IUnknown*>(converter), static_cast<IUnknown*>(frame),
                             static_cast<IUnknown*>(decoder), static_cast<IUnknown*>(factory)}) {
        if (object) {
            object->Release();
        }
    }
    return picture;
}

// What the window shows, read back through a 32-bit top-down DIB.
Picture capture(HWND window, int width, int height) {
    Picture picture;
    HDC windowContext = GetDC(window);
    HDC memory = CreateCompatibleDC(windowContext);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, windowContext, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const BYTE*>(bits);
    picture.width = width;
    picture.height = height;
    for (int at = 0; at < width * height; at++) {
        picture.pixels.push_back(RGB(pixels[at * 4 + 2], pixels[at * 4 + 1], pixels[at * 4]));
    }
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(window, windowContext);
    return picture;
}

void dispatchPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
}

// Inside a number cell's outline: where the text is, which the two systems' fonts may draw
// differently.
bool insideNumberCell(int x, int y) {
    return y > 138 && y < 152 && x > 25 && x < 537 && (x - 25) % 16 != 0;
}

class WineEditor : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        auto loaded = HostedPlugin::load(STEPVEIL_PLUGIN_FILE);
        ASSERT_TRUE(loaded) << loaded.error;
        plugin = std::move(loaded.plugin);
        plugin->open();
        WNDCLASSA hostClass{};
        hostClass.lpfnWndProc = DefWindowProcA;
        hostClass.hInstance = GetModuleHandleA(nullptr);
        hostClass.lpszClassName = "StepveilEditorHost";
        RegisterClassA(&hostClass);
        host = CreateWindowExA(WS_EX_TOPMOST, "StepveilEditorHost", "Stepveil",
                               WS_POPUP | WS_VISIBLE, 0, 0, editorWidth, editorHeight, nullptr,
                               nullptr, hostClass.hInstance, nullptr);
        ASSERT_NE(host, nullptr);
        SetForegroundWindow(host);
    }
    void TearDown() override {
        if (plugin) {
            plugin->dispatch(effEditClose);
            plugin.reset();
        }
        DestroyWindow(host);
        dispatchPendingMessages();
        UnregisterClassA("StepveilEditorHost", GetModuleHandleA(nullptr));
        CoUninitialize();
    }

    // What a host does: open the editor in its window, then keep messages and idle flowing.
    HWND openEditor() {
        EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, host), 1);
        dispatchPendingMessages();
        plugin->dispatch(effEditIdle);
        dispatchPendingMessages();
        return GetWindow(host, GW_CHILD);
    }

    bool hostHeard(vst2::int32 opcode) { return plugin->callLog().count(opcode) > 0; }

    std::unique_ptr<HostedPlugin> plugin;
    HWND host = nullptr;
};

// Mouse input as a device would send it, at a point of the screen.
void sendMouse(DWORD flags, int x, int y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65536 + GetSystemMetrics(SM_CXSCREEN) / 2) / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = (y * 65536 + GetSystemMetrics(SM_CYSCREEN) / 2) / GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
}

} // namespace

TEST_F(WineEditor, PaintsWhatTheLinuxDisplayPaintsOutsideTheText) {
    // docs/editor.png: the Linux headless picture of the first program, which a Linux test
    // keeps identical to what the editor draws there.
    const Picture linux = readPng(besideProgram(L"editor.png"));
    ASSERT_EQ(linux.width, editorWidth);
    ASSERT_EQ(linux.height, editorHeight);
    HWND frameWindow = openEditor();
    ASSERT_NE(frameWindow, nullptr);
    const Picture windows = capture(frameWindow, editorWidth, editorHeight);
    int differences = 0;
    int textPixels = 0;
    for (int y = 0; y < editorHeight; y++) {
        for (int x = 0; x < editorWidth; x++) {
            if (insideNumberCell(x, y)) {
                textPixels += GetGValue(windows.at(x, y)) > 100 ? 1 : 0;
            } else if (windows.at(x, y) != linux.at(x, y)) {
                if (differences++ < 10) {
                    ADD_FAILURE() << "pixel " << x << "," << y << ": Wine " << std::hex
                                  << windows.at(x, y) << ", Linux " << linux.at(x, y);
                }
            }
        }
    }
    EXPECT_EQ(differences, 0);
    EXPECT_GT(textPixels, 32 * 4) << "every cell shows a number";
}

TEST_F(WineEditor, ARealDragSetsAndAutomatesTheLevel) {
    plugin->setParameter(5, 0.25f);
    const float neighbour = plugin->getParameter(4);
    HWND frameWindow = openEditor();
    ASSERT_NE(frameWindow, nullptr);
    plugin->callLog().clear();
    // Slider 5's column; the handle's middle at 0.25 is row 110, row 72 is level 0.75.
    const int column = 25 + 16 * 5 + 8;
    std::atomic<bool> finished{false};
    std::thread hand([&] {
        auto waitFor = [&](vst2::int32 opcode) {
            for (int tries = 0; tries < 3000 && !hostHeard(opcode); tries++) {
                Sleep(10);
            }
        };
        sendMouse(0, column, 110);
        sendMouse(MOUSEEVENTF_LEFTDOWN, column, 110);
        waitFor(audioMasterBeginEdit); // the slider holds the mouse now
        for (int row = 100; row >= 72; row -= 7) {
            sendMouse(0, column, row);
        }
        sendMouse(0, column, 72);
        for (int tries = 0; tries < 3000; tries++) {
            auto moves = plugin->callLog().automations();
            if (!moves.empty() && moves.back().value > 0.7f) {
                break;
            }
            Sleep(10);
        }
        sendMouse(MOUSEEVENTF_LEFTUP, column, 72);
        waitFor(audioMasterEndEdit);
        finished = true;
    });
    while (!finished) {
        dispatchPendingMessages();
        Sleep(5);
    }
    hand.join();
    dispatchPendingMessages();

    EXPECT_NEAR(plugin->getParameter(5), 0.75f, 0.02f);
    EXPECT_EQ(plugin->getParameter(4), neighbour);
    const auto edits = plugin->callLog().calls();
    std::vector<vst2::int32> order;
    for (const auto& call : edits) {
        if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterAutomate ||
            call.opcode == audioMasterEndEdit) {
            EXPECT_EQ(call.index, 5);
            if (order.empty() || order.back() != call.opcode) {
                order.push_back(call.opcode);
            }
        }
    }
    EXPECT_EQ(order, (std::vector<vst2::int32>{audioMasterBeginEdit, audioMasterAutomate,
                                               audioMasterEndEdit}));
}

TEST_F(WineEditor, ItsWindowTakesDragsButTheGatesViewsIgnoreEveryDrop) {
    std::vector<float> levels;
    for (int index = 0; index < 32; index++) {
        levels.push_back(plugin->getParameter(index));
    }
    HWND frameWindow = openEditor();
    ASSERT_NE(frameWindow, nullptr);
    plugin->callLog().clear();
    droptest::TestData files;
    files.files = droptest::fileList({"C:\\dropped\\take.txt"});
    droptest::TestData text;
    text.text = std::string("0.5\0", 4);
    // Pressed where no view lies (the top-left corner), then over slider 5 and its number.
    const POINT corner{5, 5};
    const int column = 25 + 16 * 5 + 8;
    for (droptest::TestData* data : {&files, &text}) {
        droptest::RealDrag drag = droptest::dragWithTheMouse(
            data, corner, {{column, 100}, {column, 101, true}, {column, 145}},
            DROPEFFECT_COPY | DROPEFFECT_MOVE);
        EXPECT_EQ(drag.result, DRAGDROP_S_DROP);
        EXPECT_EQ(drag.effectsShown,
                  (std::vector<DWORD>{DROPEFFECT_MOVE, DROPEFFECT_COPY, DROPEFFECT_MOVE}))
            << "the cursor over the window";
        EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_NONE)) << "nothing was taken";
        EXPECT_EQ(data->unfreedBlocks(), 0);
        EXPECT_EQ(data->references, 1u);
    }
    dispatchPendingMessages();
    plugin->dispatch(effEditIdle);
    for (int index = 0; index < 32; index++) {
        EXPECT_EQ(plugin->getParameter(index), levels[static_cast<std::size_t>(index)]);
    }
    EXPECT_FALSE(hostHeard(audioMasterAutomate));
    EXPECT_FALSE(hostHeard(audioMasterBeginEdit));
    // The registration was the frame's own, made when it opened its window.
    EXPECT_EQ(RevokeDragDrop(frameWindow), S_OK);
}

namespace {

// A thread's COM state as a host finds it: S_OK when the thread has none (the probe is undone
// at once), S_FALSE in a multithreaded apartment, RPC_E_CHANGED_MODE in a single-threaded one.
HRESULT comStateOfThisThread() {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(result)) {
        CoUninitialize();
    }
    return result;
}

} // namespace

// A host that makes the effect on one thread (scanning), shows the editor on a second (its
// user interface, which initialised COM itself) and closes the effect on a third (which has a
// multithreaded apartment): each thread's COM is as the host left it, the editor's window goes
// with effClose, and the file unloads with nothing of it left to be called.
TEST(WineEditorThreads, MakingShowingAndClosingOnThreeThreadsLeavesEachThreadsComAsItWas) {
    std::unique_ptr<HostedPlugin> plugin;
    HRESULT makerAfterMain = E_FAIL;
    std::thread maker([&] {
        auto loaded = HostedPlugin::load(STEPVEIL_PLUGIN_FILE);
        ASSERT_TRUE(loaded) << loaded.error;
        plugin = std::move(loaded.plugin);
        plugin->open();
        makerAfterMain = comStateOfThisThread();
    });
    maker.join();
    ASSERT_TRUE(plugin);
    EXPECT_EQ(makerAfterMain, S_OK) << "making the effect put the thread in no apartment";

    std::atomic<HWND> host{nullptr};
    std::atomic<HWND> frameWindow{nullptr};
    std::atomic<bool> closed{false};
    HRESULT showerAfterClose = E_FAIL;
    HRESULT showerAfterItsOwnEnd = E_FAIL;
    std::thread shower([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        WNDCLASSA hostClass{};
        hostClass.lpfnWndProc = DefWindowProcA;
        hostClass.hInstance = GetModuleHandleA(nullptr);
        hostClass.lpszClassName = "StepveilThreadsHost";
        RegisterClassA(&hostClass);
        HWND window = CreateWindowExA(0, "StepveilThreadsHost", "Stepveil", WS_POPUP | WS_VISIBLE,
                                      0, 0, editorWidth, editorHeight, nullptr, nullptr,
                                      hostClass.hInstance, nullptr);
        EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, window), 1);
        plugin->dispatch(effEditIdle);
        frameWindow = GetWindow(window, GW_CHILD);
        host = window;
        while (!closed.load()) { // the host's message loop, through which the close arrives
            dispatchPendingMessages();
            Sleep(1);
        }
        showerAfterClose = comStateOfThisThread();
        CoUninitialize();
        showerAfterItsOwnEnd = comStateOfThisThread();
        DestroyWindow(window);
        dispatchPendingMessages();
        UnregisterClassA("StepveilThreadsHost", hostClass.hInstance);
    });
    while (!host.load()) {
        Sleep(1);
    }
    ASSERT_NE(frameWindow.load(), nullptr);

    HRESULT closerAfterClose = E_FAIL;
    std::thread closer([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        EXPECT_EQ(plugin->close(), 1);
        EXPECT_FALSE(IsWindow(frameWindow.load())) << "the editor's window went with effClose";
        EXPECT_EQ(GetWindow(host.load(), GW_CHILD), nullptr);
        plugin.reset(); // unloads the file
        closerAfterClose = comStateOfThisThread();
        CoUninitialize();
    });
    closer.join();
    closed = true;
    shower.join();
    EXPECT_EQ(closerAfterClose, S_FALSE) << "the closing thread's apartment is still its own";
    EXPECT_EQ(showerAfterClose, RPC_E_CHANGED_MODE) << "the host's own apartment stays";
    EXPECT_EQ(showerAfterItsOwnEnd, S_OK) << "nothing of the editor's OLE is left on it";
}

// The editor's thread waiting for the closing thread without reading its messages: effClose
// does not wait for ever, and the editor's window goes once that thread reads its messages
// again, with the plug-in's code still there for it although the host unloaded the file.
TEST(WineEditorThreads, ACloseWhileTheEditorsThreadWaitsForItEndsAndTheWindowGoesLater) {
    auto loaded = HostedPlugin::load(STEPVEIL_PLUGIN_FILE);
    ASSERT_TRUE(loaded) << loaded.error;
    std::unique_ptr<HostedPlugin> plugin = std::move(loaded.plugin);
    plugin->open();
    std::atomic<HWND> frameWindow{nullptr};
    std::atomic<bool> closeReturned{false};
    bool goneLater = false;
    std::thread shower([&] {
        WNDCLASSA hostClass{};
        hostClass.lpfnWndProc = DefWindowProcA;
        hostClass.hInstance = GetModuleHandleA(nullptr);
        hostClass.lpszClassName = "StepveilWaitingHost";
        RegisterClassA(&hostClass);
        HWND host = CreateWindowExA(0, "StepveilWaitingHost", "Stepveil", WS_POPUP | WS_VISIBLE, 0,
                                    0, editorWidth, editorHeight, nullptr, nullptr,
                                    hostClass.hInstance, nullptr);
        EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, host), 1);
        plugin->dispatch(effEditIdle);
        dispatchPendingMessages();
        frameWindow = GetWindow(host, GW_CHILD);
        while (!closeReturned.load()) { // waits for the closing thread, reading nothing
            Sleep(1);
        }
        for (int tries = 0; tries < 1000 && IsWindow(frameWindow.load()); tries++) {
            dispatchPendingMessages();
            Sleep(2);
        }
        goneLater = !IsWindow(frameWindow.load());
        DestroyWindow(host);
        dispatchPendingMessages();
        UnregisterClassA("StepveilWaitingHost", hostClass.hInstance);
    });
    while (!frameWindow.load()) {
        Sleep(1);
    }
    EXPECT_EQ(plugin->close(), 1);
    plugin.reset();
    closeReturned = true;
    shower.join();
    EXPECT_TRUE(goneLater);
}
