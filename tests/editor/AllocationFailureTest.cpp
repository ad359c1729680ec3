// Memory running out while the editor is made or opened: the effect refuses to exist without
// its editor, and an editor that cannot make everything still opens with what it has.
#include "EditorTestSupport.h"

#include "effect/PluginEntry.h"
#include "gui/Frame.h"

#include <new>

using namespace editortest;

namespace {

// How many more nothrow allocations succeed before one fails; negative: none fails.
int allocationsBeforeFailure = -1;
bool failureHappened = false;

void* allocateUnlessArmed(std::size_t size, bool array) {
    if (allocationsBeforeFailure == 0) {
        allocationsBeforeFailure = -1;
        failureHappened = true;
        return nullptr;
    }
    if (allocationsBeforeFailure > 0) {
        allocationsBeforeFailure--;
    }
    try {
        return array ? ::operator new[](size) : ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

EffectBase* makeFullEffect(audioMasterCallback callback) {
    return new OvrinStepveil(callback);
}

} // namespace

// The editor's code asks for memory with `new (std::nothrow)`; these make one such request
// fail on demand. Every other allocation is the ordinary one.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateUnlessArmed(size, false);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateUnlessArmed(size, true);
}

TEST(EditorAllocation, WithoutMemoryForItsEditorTheEffectIsNotMade) {
    allocationsBeforeFailure = 0;
    failureHappened = false;
    EXPECT_EQ(createEffectInstance(recordingHost, makeFullEffect), nullptr);
    EXPECT_TRUE(failureHappened);
    EXPECT_TRUE(editorFailed);
    allocationsBeforeFailure = -1;
    AEffect* record = createEffectInstance(recordingHost, makeFullEffect);
    ASSERT_NE(record, nullptr) << "a later instance is made";
    EXPECT_EQ(record->flags & effFlagsHasEditor, effFlagsHasEditor);
    record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
}

TEST_F(EditorTest, OpenAnswersOneAndWorksWithWhateverItCouldMake) {
    for (int survivors = 0;; survivors++) {
        failureHappened = false;
        allocationsBeforeFailure = survivors;
        EXPECT_EQ(dispatch(effEditOpen, 0, 0, host), 1) << survivors;
        allocationsBeforeFailure = -1;
        idle();
        setParameter(survivors % 32, 0.75f);
        idle();
        KeyCode key{0, VKEY_UP, 0};
        editor()->onKeyDown(key);
        idle();
        closeEditor();
        if (!failureHappened) {
            break; // every allocation of an open is covered
        }
    }
    openEditor();
    EXPECT_EQ(editor()->getFrame()->getViewCount(), 64) << "enough memory again: all there";
}
