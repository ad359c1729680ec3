#include "editor/StepveilEditor.h"

#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/ValueDisplay.h"
#include "gui/VerticalSlider.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <thread>

namespace {

// Counts a setParameter call as inside the control section for as long as it lives.
class ParameterCallScope {
public:
    explicit ParameterCallScope(std::atomic<int>& counter) : calls(counter) { calls.fetch_add(1); }
    ~ParameterCallScope() { calls.fetch_sub(1); }
    ParameterCallScope(const ParameterCallScope&) = delete;
    ParameterCallScope& operator=(const ParameterCallScope&) = delete;

private:
    std::atomic<int>& calls;
};

} // namespace

// Levels a host sends may be anything; the number is computed in double and held to the
// 32-bit range, and values that are no number at all are named, so no conversion is undefined.
void stepText(float value, char* text) {
    if (!text) {
        return;
    }
    if (std::isnan(value)) {
        std::snprintf(text, 8, "nan");
        return;
    }
    double scaled = std::trunc(static_cast<double>(value) * 32.0 + 0.5);
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    scaled = std::fmin(highest, std::fmax(lowest, scaled));
    std::snprintf(text, 16, "%d", static_cast<int>(scaled));
}

StepveilEditor::StepveilEditor(EffectBase* owner) : GuiEditor(owner) {
    backgroundBitmap = new (std::nothrow) Bitmap(backgroundBitmapId);
    int width = backgroundBitmap ? backgroundBitmap->getWidth() : 0;
    int height = backgroundBitmap ? backgroundBitmap->getHeight() : 0;
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<std::int16_t>(height);
    rect.right = static_cast<std::int16_t>(width);
}

// A host may destroy the effect with the editor still open; closing here keeps the window's
// procedure from ever reaching a frame that is gone.
StepveilEditor::~StepveilEditor() {
    if (isOpen.load() || frame) {
        close();
    }
    if (backgroundBitmap) {
        backgroundBitmap->release();
        backgroundBitmap = nullptr;
    }
}

// Answers 1, also when something could not be allocated: that is left out and the rest works.
// Answers 0, leaving nothing behind, when the host's window cannot hold the editor's window
// (a handle that is no window, or no screen to show it on). A second open without a close
// first closes the editor shown so far, so no frame is left behind.
StepveilEditor::int32 StepveilEditor::open(void* parent) {
    if (isOpen.load() || frame) {
        close();
    }
    GuiEditor::open(parent);
    Bitmap* track = new (std::nothrow) Bitmap(trackBitmapId);
    Bitmap* handle = new (std::nothrow) Bitmap(handleBitmapId);
    int width = backgroundBitmap ? backgroundBitmap->getWidth() : 0;
    int height = backgroundBitmap ? backgroundBitmap->getHeight() : 0;
    frame = new (std::nothrow) Frame(Rect(0, 0, width, height), static_cast<HWND>(parent), this);
    bool windowRefused = frame && parent && !frame->getWindow();
    if (frame && !windowRefused) {
        frame->setBackground(backgroundBitmap);
        buildControls(track, handle);
    }
    // From here each slider holds its own references to the two shared bitmaps.
    if (track) {
        track->release();
    }
    if (handle) {
        handle->release();
    }
    if (windowRefused) {
        close();
        return 0;
    }
    isOpen.store(true);
    // A level the host set while the controls were being built only marked an update; each
    // control takes the current level now, so none keeps the one read while building.
    for (int32 step = 0; step < numSteps; step++) {
        showLevel(step);
    }
    return 1;
}

void StepveilEditor::buildControls(Bitmap* track, Bitmap* handle) {
    int pitch = track ? track->getWidth() : 0;
    try {
        for (int step = 0; step < numSteps; step++) {
            addSlider(step, track, handle);
        }
        for (int step = 0; step < numSteps; step++) {
            addDisplay(step, pitch);
        }
    } catch (const std::bad_alloc&) {
        // A control that could not finish attaching is left out; the others work.
    }
}

void StepveilEditor::addSlider(int step, Bitmap* track, Bitmap* handle) {
    int trackWidth = track ? track->getWidth() : 0;
    int trackHeight = track ? track->getHeight() : 0;
    int handleHeight = handle ? handle->getHeight() : 0;
    int handleLowest = slidersTop;
    int handleHighest = trackHeight - handleHeight + slidersTop - 1;
    int left = columnsLeft + step * trackWidth;
    Rect size(left, slidersTop, left + trackWidth, slidersTop + trackHeight);
    auto* slider = new (std::nothrow) VerticalSlider(size, this, step, handleLowest, handleHighest,
                                                     handle, track, Point(0, 0), sliderStyle);
    if (!slider) {
        return;
    }
    // The handle sits one pixel in from the track's left edge.
    slider->setHandleOffset(Point(1, 0));
    slider->setValue(effect->getParameter(step));
    if (!frame->addView(slider)) {
        slider->release(); // the frame could not take it: nobody else holds it
        return;
    }
    sliders[static_cast<std::size_t>(step)] = slider;
}

void StepveilEditor::addDisplay(int step, int pitch) {
    int left = columnsLeft + step * pitch;
    Rect size(left, cellTop, left + cellWidth, cellBottom);
    auto* display = new (std::nothrow) ValueDisplay(size, nullptr, cellStyle);
    if (!display) {
        return;
    }
    display->setFont(cellFont);
    display->setFontColor(greenColor);
    display->setBackColor(blackColor);
    display->setFrameColor(whiteColor);
    display->setValue(effect->getParameter(step));
    display->setTextConverter(stepText);
    if (!frame->addView(display)) {
        display->release();
        return;
    }
    displays[static_cast<std::size_t>(step)] = display;
}

void StepveilEditor::close() {
    isOpen.store(false);
    waitForParameterCallsToLeave();
    sliders.fill(nullptr);
    displays.fill(nullptr);
    // The frame takes every control with it, and the shared bitmaps with the last slider. A
    // close from inside the frame's own handling (the host closing the editor during a drag)
    // only detaches it here; the handler still holding it lets it go when it returns. So does
    // a close on another thread while the window's thread is in such a handler; otherwise the
    // frame goes on the window's thread.
    closeFrame();
}

// Only a call that entered before isOpen was cleared can still be inside; it stores two
// floats and leaves, so this wait is short and happens on the user-interface thread only.
void StepveilEditor::waitForParameterCallsToLeave() {
    while (parameterCallsInside.load() != 0) {
        std::this_thread::yield();
    }
}

// Called by the effect on whatever thread the host changes parameters on. Stores the
// effect's value into the step's two controls and leaves the drawing to the next idle.
void StepveilEditor::setParameter(int32 index, float) {
    ParameterCallScope scope(parameterCallsInside);
    if (!isOpen.load()) {
        return;
    }
    if (isStep(index)) {
        showLevel(index);
    }
    markForUpdate();
}

void StepveilEditor::showLevel(int32 index) {
    auto step = static_cast<std::size_t>(index);
    if (sliders[step]) {
        sliders[step]->setValue(effect->getParameter(index));
    }
    if (displays[step]) {
        displays[step]->setValue(effect->getParameter(index));
    }
}

void StepveilEditor::onValueChanged(DrawContext* context, Control* control) {
    if (!control) {
        return;
    }
    int32 tag = control->getTag();
    if (!isStep(tag)) {
        return;
    }
    effect->setParameterAndAutomate(tag, control->getValue());
    // The host may have closed the editor (or destroyed the effect and this editor) while it
    // recorded the change: then nothing more is drawn and nothing of this editor is touched.
    Frame* owner = control->getFrame();
    if (owner && owner->isClosed()) {
        return;
    }
    // Mouse and wheel changes come with a context: the slider follows at once. A key press
    // comes without one, and the slider is drawn at the next idle.
    if (context) {
        control->update(context);
    }
}
