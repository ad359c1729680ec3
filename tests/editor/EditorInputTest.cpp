// The user at the editor: drags, control+click and arrow keys set and automate the levels,
// and the host hears about each edit in the right order.
#include "EditorTestSupport.h"

#include "gui/Frame.h"
#include "gui/ValueDisplay.h"
#include "gui/VerticalSlider.h"

using namespace editortest;

namespace {

class EditorInputTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        for (int step = 0; step < 32; step++) {
            setParameter(step, 0.25f);
        }
        openEditor();
        idle();
        HostRecorder::instance().clear();
    }
};

} // namespace

TEST_F(EditorInputTest, DraggingSliderFiveChangesParameterFiveOnlyAndAutomatesIt) {
    // From the handle's middle at 0.25 (row 53 + 57) up to row 72: 1 - 19/76 = 0.75.
    drag({VK_LBUTTON}, columnLeft(5) + 8, 110, {100, 90, 80, 72, 72});
    EXPECT_FLOAT_EQ(getParameter(5), 0.75f);
    for (int step = 0; step < 32; step++) {
        if (step != 5) {
            EXPECT_EQ(getParameter(step), 0.25f) << step;
        }
    }
    const std::vector<HostCall> edits = HostRecorder::instance().editCalls();
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(edits.back().opcode, audioMasterEndEdit);
    for (std::size_t at = 1; at + 1 < edits.size(); at++) {
        EXPECT_EQ(edits[at].opcode, audioMasterAutomate);
    }
    for (const HostCall& call : edits) {
        EXPECT_EQ(call.index, 5);
    }
    EXPECT_FLOAT_EQ(edits[edits.size() - 2].opt, 0.75f);
    // The cell follows the slider: marked during the drag, drawn by the idle passes.
    EXPECT_FLOAT_EQ(editor()->getDisplay(5)->getValue(), 0.75f);
    idle();
    EXPECT_FALSE(editor()->getFrame()->anyViewDirty());
    EXPECT_GE(HostRecorder::instance().count(audioMasterIdle), 1) << "the pump ran during the drag";
}

TEST_F(EditorInputTest, ControlClickRestoresHalfLevel) {
    click(columnLeft(9) + 8, 60, {VK_LBUTTON, VK_CONTROL});
    EXPECT_FLOAT_EQ(getParameter(9), 0.5f);
    const std::vector<HostCall> edits = HostRecorder::instance().editCalls();
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].opcode, audioMasterAutomate);
    EXPECT_EQ(edits[0].index, 9);
}

TEST_F(EditorInputTest, ArrowKeyWithoutFocusReachesTheLastSliderAndDrawsAtIdle) {
    VerticalSlider* last = editor()->getSlider(31);
    EXPECT_NE(dispatch(effEditKeyDown, 0, VKEY_UP, nullptr, 0.0f), -1);
    EXPECT_GT(getParameter(31), 0.25f);
    EXPECT_EQ(getParameter(30), 0.25f);
    const std::vector<HostCall> edits = HostRecorder::instance().editCalls();
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].opcode, audioMasterAutomate);
    EXPECT_EQ(edits[0].index, 31);
    // Not drawn during the key handling...
    EXPECT_TRUE(last->isDirty());
    EXPECT_TRUE(editor()->getDisplay(31)->isDirty());
    const Image before = picture();
    // ...but at the next idle.
    idle();
    EXPECT_FALSE(last->isDirty());
    EXPECT_FALSE(editor()->getDisplay(31)->isDirty());
    const Image after = picture();
    EXPECT_NE(before.pixels, after.pixels);
}

TEST_F(EditorInputTest, AControlWithATagOutsideTheStepsNeverReachesTheEffect) {
    VerticalSlider* slider = editor()->getSlider(2);
    for (int tag : {-1, 32, 1000}) {
        slider->setTag(tag);
        slider->setValue(0.9f);
        editor()->onValueChanged(nullptr, slider);
    }
    for (int step = 0; step < 32; step++) {
        EXPECT_EQ(getParameter(step), 0.25f);
    }
    EXPECT_TRUE(HostRecorder::instance().editCalls().empty());
}

// Files and text dragged from another program over the editor: the window shows the cursor,
// but no view takes a drop, so the source hears that nothing happened, and nothing changes
// or stays behind. Closing the editor withdraws the window from drags.
TEST_F(EditorInputTest, DragsFromOtherProgramsShowTheCursorButChangeNothing) {
    HWND window = frameWindow();
    EXPECT_TRUE(headless::acceptsDrops(window));
    const Image before = picture();
    const std::size_t blocks = headless::liveGlobalBlockCount();
    const std::size_t gdiObjects = headless::liveGdiObjectCount();
    const int sliderFive = hostScreenX + columnLeft(5) + 8;
    headless::ExternalDrag files;
    files.files = {"/home/user/take 1.wav", "/home/user/take 2.wav"};
    files.path = {POINT{sliderFive, hostScreenY + 100}, POINT{sliderFive, hostScreenY + 145}};
    headless::ExternalDrag text = files;
    text.files.clear();
    text.text = "0.5";
    text.keyState |= MK_CONTROL;
    const auto fileDrag = headless::dragFromOutside(window, files);
    const auto textDrag = headless::dragFromOutside(window, text);
    EXPECT_EQ(fileDrag.effectsShown, (std::vector<DWORD>{DROPEFFECT_MOVE, DROPEFFECT_MOVE}));
    EXPECT_EQ(textDrag.effectsShown, (std::vector<DWORD>{DROPEFFECT_COPY, DROPEFFECT_COPY}));
    EXPECT_EQ(fileDrag.finalEffect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(textDrag.finalEffect, static_cast<DWORD>(DROPEFFECT_NONE));
    idle();
    for (int step = 0; step < 32; step++) {
        EXPECT_EQ(getParameter(step), 0.25f);
    }
    EXPECT_TRUE(HostRecorder::instance().editCalls().empty());
    EXPECT_EQ(picture().pixels, before.pixels);
    EXPECT_EQ(headless::liveGlobalBlockCount(), blocks);
    EXPECT_EQ(headless::liveGdiObjectCount(), gdiObjects);

    closeEditor();
    EXPECT_FALSE(headless::acceptsDrops(window));
    EXPECT_EQ(headless::dragFromOutside(window, files).effectsShown,
              (std::vector<DWORD>{DROPEFFECT_NONE, DROPEFFECT_NONE}));
}
