#include "WineDragSource.h"

#include <atomic>
#include <thread>

namespace droptest {

namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// The source's side of the drag: it ends the drag when the button is let go and writes down
// every effect the system shows.
class HandSource : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override {
        if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IDropSource)) {
            *object = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keyState) override {
        running = true;
        if (escape) {
            return DRAGDROP_S_CANCEL;
        }
        return (keyState & MK_LBUTTON) != 0 ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
        if (shown.empty() || shown.back() != effect) {
            shown.push_back(effect);
        }
        feedbackCount++;
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }

    std::atomic<bool> running{false};
    std::atomic<int> feedbackCount{0};
    std::vector<DWORD> shown; // written on the dragging thread only
};
#pragma GCC diagnostic pop

void sendMouse(DWORD flags, int x, int y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = (x * 65536 + width / 2) / width;
    input.mi.dy = (y * 65536 + height / 2) / height;
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
}

void sendControl(bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_CONTROL;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

// Waits (bounded) until the drag loop has given feedback beyond `count`: the move was seen.
void waitForFeedback(const HandSource& source, int count) {
    for (int tries = 0; tries < 400 && source.feedbackCount <= count; tries++) {
        Sleep(5);
    }
}

} // namespace

RealDrag dragWithTheMouse(IDataObject* data, POINT start, const std::vector<HandMove>& moves,
                          DWORD allowed) {
    HandSource source;
    sendMouse(0, start.x, start.y);
    sendMouse(MOUSEEVENTF_LEFTDOWN, start.x, start.y);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
    std::thread hand([&] {
        for (int tries = 0; tries < 400 && !source.running; tries++) {
            Sleep(5);
        }
        bool control = false;
        HandMove last{start.x, start.y, false};
        for (const HandMove& move : moves) {
            if (move.control != control) {
                control = move.control;
                sendControl(control);
            }
            int seen = source.feedbackCount;
            sendMouse(0, move.x, move.y);
            waitForFeedback(source, seen);
            last = move;
        }
        // Keys held at the last move are still held when the button is let go.
        sendMouse(MOUSEEVENTF_LEFTUP, last.x, last.y);
        if (control) {
            sendControl(false);
        }
    });
    RealDrag drag;
    DWORD effect = DROPEFFECT_NONE;
    drag.result = DoDragDrop(data, &source, allowed, &effect);
    hand.join();
    drag.effect = effect;
    drag.effectsShown = source.shown;
    return drag;
}

} // namespace droptest
