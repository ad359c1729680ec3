// The gate's editor: one vertical slider and one number cell per step, over the background
// picture. Sliders set the effect's levels (and the host records them as automation); level
// changes from anywhere else reach the controls through setParameter and are drawn at idle.
#pragma once

#include "editor/GuiEditor.h"
#include "gui/ControlListener.h"

#include <array>
#include <atomic>

class Bitmap;
class ValueDisplay;
class VerticalSlider;

// The editor's bitmap resources.
constexpr int backgroundBitmapId = 128;
constexpr int trackBitmapId = 129;
constexpr int handleBitmapId = 130;

// Writes a level as the number of 32nds it stands for, rounded half up ("24" for 0.75).
void stepText(float value, char* text);

class StepveilEditor : public GuiEditor, public ControlListener {
public:
    static constexpr int numSteps = 32;
    // Where the band of controls starts over the background, and the rows of the cells.
    static constexpr int columnsLeft = 25;
    static constexpr int slidersTop = 48;
    static constexpr int cellTop = 138;
    static constexpr int cellBottom = 152;
    static constexpr int cellWidth = 16;
    static constexpr int sliderStyle = 64;
    static constexpr int cellStyle = 1;
    static constexpr int cellFont = 4;

    explicit StepveilEditor(EffectBase* effect);
    ~StepveilEditor() override;

    int32 open(void* parent) override;
    void close() override;
    void setParameter(int32 index, float value) override;
    void onValueChanged(DrawContext* context, Control* control) override;

    bool isEditorOpen() const { return isOpen.load(); }
    VerticalSlider* getSlider(int index) const { return sliders[static_cast<std::size_t>(index)]; }
    ValueDisplay* getDisplay(int index) const { return displays[static_cast<std::size_t>(index)]; }
    Bitmap* getBackgroundBitmap() const { return backgroundBitmap; }

private:
    static bool isStep(int32 index) { return index >= 0 && index < numSteps; }
    void buildControls(Bitmap* track, Bitmap* handle);
    void addSlider(int step, Bitmap* track, Bitmap* handle);
    void addDisplay(int step, int pitch);
    void showLevel(int32 index);
    void waitForParameterCallsToLeave();

    std::array<VerticalSlider*, numSteps> sliders{};
    std::array<ValueDisplay*, numSteps> displays{};
    Bitmap* backgroundBitmap;
    // Read by setParameter on any thread; set on the user-interface thread only after every
    // control exists, and cleared before any is deleted.
    std::atomic<bool> isOpen{false};
    // setParameter calls that may be touching controls right now. close waits (on the user-
    // interface thread) until none is left before it deletes the controls; setParameter
    // itself never waits, so the host's audio thread is never held up.
    std::atomic<int> parameterCallsInside{0};
};
