// A host may close the editor, open it again or destroy the effect from inside anything the
// editor calls it with: its idle during a drag, begin edit, automation from a drag, the wheel
// or a key. None of these may leave the editor's handling running on freed memory, and a
// level set while the editor is being opened must show once it is open.
#include "EditorTestSupport.h"

#include "gui/Frame.h"
#include "gui/ValueDisplay.h"
#include "gui/VerticalSlider.h"

#include <new>

using namespace editortest;

namespace {

// While armed, the first nothrow allocation the size of a number cell (the cells are made
// after every slider) runs the hook once, in the middle of open.
bool hookArmed = false;
std::function<void()> allocationHook;

void* allocateAndMaybeHook(std::size_t size, bool array) {
    if (hookArmed && !array && size == sizeof(ValueDisplay)) {
        hookArmed = false;
        if (allocationHook) {
            allocationHook();
        }
    }
    try {
        return array ? ::operator new[](size) : ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

class EditorLifetimeTest : public EditorTest {
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

    // The host's answer to one call: `action` runs once, on the first call with `opcode`.
    void onFirstCall(vst2::int32 opcode, std::function<void()> action) {
        HostRecorder::instance().onHostCall = [this, opcode, action,
                                               done = false](vst2::int32 called) mutable {
            if (!done && called == opcode) {
                done = true;
                action();
                acted = true;
            }
        };
    }

    // Destroys the effect (and its editor) as the host's effClose does; the test forgets it.
    void closeEffect() {
        dispatch(effClose);
        record = nullptr;
        effect = nullptr;
    }

    void dragSliderFive() { drag({VK_LBUTTON}, columnLeft(5) + 8, 110, {100, 90, 80, 72, 72}); }

    void expectClosedWithoutEndEdit() {
        EXPECT_TRUE(acted);
        EXPECT_EQ(HostRecorder::instance().count(audioMasterEndEdit), 0);
        EXPECT_FALSE(editor()->isEditorOpen());
        EXPECT_EQ(editor()->getFrame(), nullptr);
        EXPECT_EQ(Frame::windowClassRegistrations(), 0);
    }

    // A fresh editor in the same host window still drags and automates.
    void expectReopenedEditorWorks() {
        openEditor();
        expectDragWorks();
    }

    void expectDragWorks() {
        setParameter(5, 0.25f);
        idle();
        HostRecorder::instance().clear();
        dragSliderFive();
        EXPECT_FLOAT_EQ(getParameter(5), 0.75f);
        EXPECT_EQ(HostRecorder::instance().count(audioMasterEndEdit), 1);
    }

    bool acted = false;
};

} // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateAndMaybeHook(size, false);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateAndMaybeHook(size, true);
}

TEST_F(EditorLifetimeTest, HostClosesEditorFromItsIdleDuringADrag) {
    HostRecorder::instance().onHostIdle = [this, done = false]() mutable {
        if (!done) {
            done = true;
            dispatch(effEditClose);
            acted = true;
        }
    };
    dragSliderFive();
    expectClosedWithoutEndEdit();
    expectReopenedEditorWorks();
}

TEST_F(EditorLifetimeTest, HostClosesEditorWhileRecordingAutomationFromADrag) {
    onFirstCall(audioMasterAutomate, [this] { dispatch(effEditClose); });
    dragSliderFive();
    expectClosedWithoutEndEdit();
    EXPECT_EQ(HostRecorder::instance().count(audioMasterAutomate), 1);
    expectReopenedEditorWorks();
}

TEST_F(EditorLifetimeTest, HostClosesEditorWhenTheDragBeginsAnEdit) {
    onFirstCall(audioMasterBeginEdit, [this] { dispatch(effEditClose); });
    dragSliderFive();
    expectClosedWithoutEndEdit();
    EXPECT_EQ(HostRecorder::instance().count(audioMasterAutomate), 0);
    EXPECT_FLOAT_EQ(getParameter(5), 0.25f);
    expectReopenedEditorWorks();
}

TEST_F(EditorLifetimeTest, HostOpensEditorAgainFromItsIdleDuringADrag) {
    HostRecorder::instance().onHostIdle = [this, done = false]() mutable {
        if (!done) {
            done = true;
            dispatch(effEditOpen, 0, 0, host);
            acted = true;
        }
    };
    dragSliderFive();
    EXPECT_TRUE(acted);
    EXPECT_EQ(HostRecorder::instance().count(audioMasterEndEdit), 0);
    EXPECT_TRUE(editor()->isEditorOpen());
    ASSERT_NE(editor()->getFrame(), nullptr);
    EXPECT_EQ(Frame::windowClassRegistrations(), 1) << "the old frame's window is gone";
    EXPECT_FLOAT_EQ(editor()->getSlider(5)->getValue(), getParameter(5));
    expectDragWorks();
}

TEST_F(EditorLifetimeTest, WheelWhoseAutomationClosesTheEditor) {
    headless::setCursorPos(hostScreenX + columnLeft(5) + 8, hostScreenY + 100);
    onFirstCall(audioMasterAutomate, [this] { dispatch(effEditClose); });
    GuiEditor* gui = editor();
    EXPECT_TRUE(gui->onWheel(1.0f));
    EXPECT_TRUE(acted);
    EXPECT_FALSE(editor()->isEditorOpen());
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
    EXPECT_FALSE(gui->onWheel(1.0f)) << "a closed editor has no frame for the wheel";
    expectReopenedEditorWorks();
}

TEST_F(EditorLifetimeTest, KeyWhoseAutomationClosesTheEditor) {
    onFirstCall(audioMasterAutomate, [this] { dispatch(effEditClose); });
    EXPECT_NE(dispatch(effEditKeyDown, 0, VKEY_UP, nullptr, 0.0f), -1);
    EXPECT_TRUE(acted);
    EXPECT_FALSE(editor()->isEditorOpen());
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
    expectReopenedEditorWorks();
}

TEST_F(EditorLifetimeTest, HostDestroysTheEffectFromItsIdleDuringADrag) {
    HostRecorder::instance().onHostIdle = [this, done = false]() mutable {
        if (!done) {
            done = true;
            closeEffect();
            acted = true;
        }
    };
    dragSliderFive();
    EXPECT_TRUE(acted);
    EXPECT_EQ(HostRecorder::instance().count(audioMasterEndEdit), 0);
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
}

TEST_F(EditorLifetimeTest, HostDestroysTheEffectWhileRecordingAutomationFromADrag) {
    onFirstCall(audioMasterAutomate, [this] { closeEffect(); });
    dragSliderFive();
    EXPECT_TRUE(acted);
    EXPECT_EQ(HostRecorder::instance().count(audioMasterAutomate), 1);
    EXPECT_EQ(HostRecorder::instance().count(audioMasterEndEdit), 0);
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
}

TEST_F(EditorLifetimeTest, HostDestroysTheEffectWhileRecordingAutomationFromTheWheel) {
    headless::setCursorPos(hostScreenX + columnLeft(5) + 8, hostScreenY + 100);
    onFirstCall(audioMasterAutomate, [this] { closeEffect(); });
    GuiEditor* gui = editor();
    EXPECT_TRUE(gui->onWheel(1.0f));
    EXPECT_TRUE(acted);
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
}

TEST_F(EditorLifetimeTest, HostDestroysTheEffectWhileRecordingAutomationFromAKey) {
    onFirstCall(audioMasterAutomate, [this] { closeEffect(); });
    StepveilEditor* gui = editor();
    VstKeyCode key{0, static_cast<std::uint8_t>(VKEY_UP), 0};
    EXPECT_NE(gui->onKeyDown(key), -1);
    EXPECT_TRUE(acted);
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
}

TEST_F(EditorLifetimeTest, LevelSetWhileTheEditorOpensShowsOnceItIsOpen) {
    closeEditor();
    allocationHook = [this] { setParameter(5, 0.875f); };
    hookArmed = true;
    openEditor();
    hookArmed = false;
    allocationHook = nullptr;
    EXPECT_FLOAT_EQ(getParameter(5), 0.875f);
    ASSERT_NE(editor()->getSlider(5), nullptr);
    EXPECT_FLOAT_EQ(editor()->getSlider(5)->getValue(), 0.875f);
    ASSERT_NE(editor()->getDisplay(5), nullptr);
    EXPECT_FLOAT_EQ(editor()->getDisplay(5)->getValue(), 0.875f);
}
