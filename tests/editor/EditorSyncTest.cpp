// Levels changed anywhere but the editor reach its controls: host automation with the editor
// open or closed, program changes, values outside 0..1, and indexes outside the steps.
#include "EditorTestSupport.h"

#include "gui/Frame.h"
#include "gui/ValueDisplay.h"
#include "gui/VerticalSlider.h"

using namespace editortest;

namespace {

std::string cellText(ValueDisplay* display) {
    char text[ValueDisplay::textBufferSize];
    display->makeText(text);
    return text;
}

// Records the levels the effect hands its editor, in order.
class ParameterLog : public GuiEditor {
public:
    explicit ParameterLog(EffectBase* owner) : GuiEditor(owner) {}
    void setParameter(int32 index, float value) override {
        GuiEditor::setParameter(index, value);
        indexes.push_back(index);
    }
    std::vector<int32> indexes;
};

} // namespace

TEST_F(EditorTest, AutomationWhileClosedShowsWhenOpened) {
    setParameter(7, 0.25f);
    EXPECT_FLOAT_EQ(getParameter(7), 0.25f);
    EXPECT_TRUE(editor()->isUpdatePending());
    openEditor();
    EXPECT_FLOAT_EQ(editor()->getSlider(7)->getValue(), 0.25f);
    EXPECT_EQ(cellText(editor()->getDisplay(7)), "8");
}

TEST_F(EditorTest, AutomationWhileOpenMarksTheStepAndDrawsAtIdle) {
    openEditor();
    idle();
    setParameter(12, 0.3f);
    EXPECT_FLOAT_EQ(editor()->getSlider(12)->getValue(), 0.3f);
    EXPECT_TRUE(editor()->getSlider(12)->isDirty());
    EXPECT_FALSE(editor()->getSlider(11)->isDirty());
    idle();
    EXPECT_FALSE(editor()->getFrame()->anyViewDirty());
    EXPECT_EQ(cellText(editor()->getDisplay(12)), "10");
}

TEST_F(EditorTest, ProgramChangeMovesEverySliderAndCellAfterOneIdle) {
    openEditor();
    idle();
    const Image before = picture();
    dispatch(effSetProgram, 0, 5);
    int changed = 0;
    for (int step = 0; step < 32; step++) {
        EXPECT_EQ(editor()->getSlider(step)->getValue(), getParameter(step)) << step;
        EXPECT_EQ(editor()->getDisplay(step)->getValue(), getParameter(step)) << step;
        changed += editor()->getSlider(step)->isDirty() ? 1 : 0;
    }
    EXPECT_GT(changed, 0);
    idle();
    EXPECT_FALSE(editor()->getFrame()->anyViewDirty());
    EXPECT_NE(picture().pixels, before.pixels);
}

TEST_F(EditorTest, ALevelBeyondFullIsShownAsFullWithTheHandleAtTheTop) {
    openEditor();
    idle();
    setParameter(3, 2.0f);
    idle();
    EXPECT_EQ(editor()->getSlider(3)->getValue(), 1.0f) << "the level as the effect keeps it";
    EXPECT_EQ(cellText(editor()->getDisplay(3)), "32");
    EXPECT_EQ(editor()->getSlider(3)->handleRect().top, 0);
    EXPECT_FALSE(editor()->getFrame()->anyViewDirty());
}

TEST_F(EditorTest, IndexOutsideTheStepsChangesNoControlButMarksForUpdate) {
    openEditor();
    idle();
    editor()->idle();
    for (int index : {-1, 32, 1 << 30}) {
        EXPECT_FALSE(editor()->isUpdatePending());
        editor()->setParameter(index, 0.9f);
        EXPECT_TRUE(editor()->isUpdatePending());
        EXPECT_FALSE(editor()->getFrame()->anyViewDirty());
        idle();
    }
}

TEST_F(EditorTest, ProgramChangeHandsTheEditorAllLevelsInStepOrder) {
    auto* log = new ParameterLog(effect); // replaces the effect's own editor
    ASSERT_EQ(effect->getAttachedEditor(), log);
    dispatch(effSetProgram, 0, 3);
    ASSERT_EQ(log->indexes.size(), 32u);
    for (int step = 0; step < 32; step++) {
        EXPECT_EQ(log->indexes[static_cast<std::size_t>(step)], step);
    }
}

TEST(StepText, ShowsLevelsInThirtySecondsAndSurvivesAnyValue) {
    const std::pair<float, const char*> cases[] = {
        {0.0f, "0"},
        {0.5f, "16"},
        {0.75f, "24"},
        {1.0f, "32"},
        {2.0f, "64"},
        {0.0156f, "0"},
        {0.016f, "1"},
        {-0.5f, "-15"},
        {1e30f, "2147483647"},
        {-1e30f, "-2147483648"},
        {std::numeric_limits<float>::quiet_NaN(), "nan"}};
    for (const auto& [value, expected] : cases) {
        char text[64] = "unchanged";
        stepText(value, text);
        EXPECT_STREQ(text, expected) << value;
    }
    stepText(0.5f, nullptr);
}
