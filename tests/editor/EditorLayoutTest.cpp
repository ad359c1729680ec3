// The editor as a host sees it through the dispatcher: its size, opening and closing any
// number of times, the controls it builds, and the picture it paints.
#include "EditorTestSupport.h"

#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/ValueDisplay.h"
#include "gui/VerticalSlider.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

using namespace editortest;

namespace {

bool isGreenText(COLORREF pixel) {
    return GetGValue(pixel) > 100 && GetRValue(pixel) < 100 && GetBValue(pixel) < 100;
}

// The box the green text covers inside cell `step`.
RECT greenTextBox(const Image& image, int step) {
    RECT box{10000, 10000, -1, -1};
    for (int y = cellTop + 1; y < cellBottom; y++) {
        for (int x = columnLeft(step) + 1; x < columnLeft(step) + 16; x++) {
            if (isGreenText(image.at(x, y))) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x);
                box.bottom = std::max<LONG>(box.bottom, y);
            }
        }
    }
    return box;
}

std::string cellText(ValueDisplay* display) {
    char text[ValueDisplay::textBufferSize];
    display->makeText(text);
    return text;
}

} // namespace

TEST_F(EditorTest, HostGetsTheSizeBeforeOpeningAndTheSameRectangleAlways) {
    ERect* rect = nullptr;
    ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, editorHeight);
    EXPECT_EQ(rect->right, editorWidth);
    openEditor();
    ERect* again = nullptr;
    dispatch(effEditGetRect, 0, 0, &again);
    EXPECT_EQ(again, rect);
}

TEST_F(EditorTest, OpensIdlesClosesAndReopensWithoutLeaking) {
    openEditor();
    idle();
    closeEditor();
    const std::size_t objectsWhenClosed = headless::liveGdiObjectCount();
    const std::size_t classesWhenClosed = headless::registeredClassCount();
    for (int round = 0; round < 25; round++) {
        openEditor();
        EXPECT_TRUE(editor()->isEditorOpen());
        idle();
        idle();
        closeEditor();
        EXPECT_FALSE(editor()->isEditorOpen());
        EXPECT_EQ(editor()->getFrame(), nullptr);
    }
    // The track and handle bitmaps, offscreen pictures and the window class all go back.
    EXPECT_EQ(headless::liveGdiObjectCount(), objectsWhenClosed);
    EXPECT_EQ(headless::registeredClassCount(), classesWhenClosed);
    EXPECT_EQ(editor()->getBackgroundBitmap()->getReferenceCount(), 1);
    // Closing twice, idling closed and a second open without a close are all harmless.
    closeEditor();
    idle();
    openEditor();
    openEditor();
    EXPECT_EQ(editor()->getFrame()->getViewCount(), 64);
    closeEditor();
    EXPECT_EQ(headless::liveGdiObjectCount(), objectsWhenClosed);
}

TEST_F(EditorTest, CloseForgetsTheControlsItDeleted) {
    openEditor();
    closeEditor();
    for (int step = 0; step < 32; step++) {
        EXPECT_EQ(editor()->getSlider(step), nullptr);
        EXPECT_EQ(editor()->getDisplay(step), nullptr);
    }
}

TEST_F(EditorTest, EffectClosedWithItsEditorOpenTakesTheWindowWithIt) {
    openEditor();
    idle();
    HWND window = frameWindow();
    ASSERT_NE(window, nullptr);
    dispatch(effClose);
    record = nullptr;
    EXPECT_TRUE(headless::captureWindow(window).pixels.empty()) << "the frame window is gone";
}

TEST_F(EditorTest, LaysOutOneSliderAndOneCellPerStep) {
    openEditor();
    Frame* frame = editor()->getFrame();
    ASSERT_NE(frame, nullptr);
    Rect frameSize;
    frame->getViewSize(frameSize);
    EXPECT_EQ(frameSize.right, editorWidth);
    EXPECT_EQ(frameSize.bottom, editorHeight);
    EXPECT_EQ(frame->getBackground(), editor()->getBackgroundBitmap());
    ASSERT_EQ(frame->getViewCount(), 64);
    for (int step = 0; step < 32; step++) {
        VerticalSlider* slider = editor()->getSlider(step);
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(frame->getView(step), slider) << "sliders first, in step order";
        Rect size;
        slider->getViewSize(size);
        EXPECT_EQ(size.left, columnLeft(step));
        EXPECT_EQ(size.top, trackTop);
        EXPECT_EQ(size.right, columnLeft(step) + 16);
        EXPECT_EQ(size.bottom, 137);
        EXPECT_EQ(slider->getTag(), step);
        EXPECT_EQ(slider->getSliderStyle(), 66);
        EXPECT_EQ(slider->getTravel(), trackTravel);
        EXPECT_EQ(slider->getHandleOffset().h, 1);
        EXPECT_EQ(slider->getHandleOffset().v, 0);
        EXPECT_EQ(slider->getListener(), editor());

        ValueDisplay* display = editor()->getDisplay(step);
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(frame->getView(32 + step), display) << "cells after all sliders";
        display->getViewSize(size);
        EXPECT_EQ(size.left, columnLeft(step));
        EXPECT_EQ(size.top, cellTop);
        EXPECT_EQ(size.right, columnLeft(step) + 16);
        EXPECT_EQ(size.bottom, cellBottom);
        EXPECT_EQ(display->getTag(), 0);
        EXPECT_EQ(display->getListener(), nullptr);
        EXPECT_EQ(display->getDisplayStyle(), 1);
        EXPECT_EQ(display->getFontId(), 4);
        EXPECT_TRUE(display->getFontColor().sameRgb(greenColor));
        EXPECT_TRUE(display->getBackColor().sameRgb(blackColor));
        EXPECT_TRUE(display->getFrameColor().sameRgb(whiteColor));
        EXPECT_EQ(display->getBackground(), nullptr);
    }
}

TEST_F(EditorTest, PaintsCellsAndHandlesForTheCurrentLevels) {
    for (int step = 0; step < 32; step++) {
        setParameter(step, step % 2 ? 0.75f : 0.5f);
    }
    openEditor();
    idle();
    const Image image = picture();
    ASSERT_EQ(image.width, editorWidth);
    ASSERT_EQ(image.height, editorHeight);

    // Cells: white outline on both edges (neighbours share a column), black inside.
    for (int step = 0; step < 32; step++) {
        for (int y = cellTop; y <= cellBottom; y++) {
            EXPECT_EQ(image.at(columnLeft(step), y), RGB(255, 255, 255)) << step << "," << y;
            EXPECT_EQ(image.at(columnLeft(step) + 16, y), RGB(255, 255, 255)) << step;
        }
        for (int x = columnLeft(step); x <= columnLeft(step) + 16; x++) {
            EXPECT_EQ(image.at(x, cellTop), RGB(255, 255, 255));
            EXPECT_EQ(image.at(x, cellBottom), RGB(255, 255, 255));
        }
        EXPECT_EQ(image.at(columnLeft(step) + 1, cellTop + 1), RGB(0, 0, 0));
        EXPECT_EQ(image.at(columnLeft(step) + 15, cellBottom - 1), RGB(0, 0, 0));

        // The number is centred in the cell, within a pixel of rounding.
        RECT box = greenTextBox(image, step);
        ASSERT_GE(box.right, box.left) << "no text in cell " << step;
        EXPECT_NEAR((box.left + box.right) / 2.0, columnLeft(step) + 8, 1.5) << step;
        EXPECT_NEAR((box.top + box.bottom) / 2.0, (cellTop + cellBottom) / 2.0, 1.5) << step;
    }
    EXPECT_EQ(cellText(editor()->getDisplay(1)), "24");
    EXPECT_EQ(cellText(editor()->getDisplay(0)), "16");
    // Equal levels draw equal cells, different ones do not.
    bool cellsDiffer = false;
    for (int y = cellTop; y <= cellBottom; y++) {
        for (int x = 0; x <= 16; x++) {
            EXPECT_EQ(image.at(columnLeft(1) + x, y), image.at(columnLeft(3) + x, y));
            cellsDiffer |= image.at(columnLeft(0) + x, y) != image.at(columnLeft(1) + x, y);
        }
    }
    EXPECT_TRUE(cellsDiffer);

    // Handles: at 0.75 the handle's top is 19 pixels below the track's top (76 x 0.25); at
    // 0.5, 38 pixels. Its non-white pixels are the handle bitmap's, one pixel in.
    HBITMAP handleBitmap =
        LoadBitmapA(static_cast<HINSTANCE>(moduleInstance), MAKEINTRESOURCEA(130));
    const Image handle = headless::captureBitmap(handleBitmap);
    DeleteObject(handleBitmap);
    ASSERT_EQ(handle.width, 14);
    ASSERT_EQ(handle.height, 12);
    for (int step = 0; step < 2; step++) {
        int handleTop = trackTop + (step == 1 ? 19 : 38);
        for (int y = 0; y < handle.height; y++) {
            for (int x = 0; x < handle.width; x++) {
                if (handle.at(x, y) != RGB(255, 255, 255)) {
                    EXPECT_EQ(image.at(columnLeft(step) + 1 + x, handleTop + y), handle.at(x, y))
                        << "step " << step << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST_F(EditorTest, ClickOnACellChangesNothing) {
    openEditor();
    idle();
    std::vector<float> before;
    for (int step = 0; step < 32; step++) {
        before.push_back(getParameter(step));
    }
    HostRecorder::instance().clear();
    click(columnLeft(7) + 8, 145);
    click(columnLeft(7) + 8, 145, {VK_LBUTTON, VK_CONTROL});
    for (int step = 0; step < 32; step++) {
        EXPECT_EQ(getParameter(step), before[static_cast<std::size_t>(step)]);
        EXPECT_EQ(editor()->getDisplay(step)->getValue(), before[static_cast<std::size_t>(step)]);
    }
    EXPECT_TRUE(HostRecorder::instance().editCalls().empty());
}

TEST_F(EditorTest, ClickOnTheColumnTwoSlidersShareReachesTheRightHandOne) {
    setParameter(3, 0.0f);
    setParameter(4, 0.0f);
    openEditor();
    idle();
    // Jump-to-click puts the handle's middle under the pointer: row 91 is half way.
    click(columnLeft(4), 91);
    EXPECT_FLOAT_EQ(getParameter(4), 0.5f);
    EXPECT_EQ(getParameter(3), 0.0f);
}

TEST_F(EditorTest, InAHostsNativeWindowTheEditorIsMirroredToTheNamedPicture) {
    const std::string path = ::testing::TempDir() + "stepveil-editor-mirror.png";
    std::remove(path.c_str());
    int nativeWindow = 0; // a handle the layer did not make: the host's own window
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &nativeWindow), 1);
    idle();
    closeEditor();
    EXPECT_FALSE(std::ifstream(path).good()) << "nothing is written unless a file is named";

    setenv("STEPVEIL_HEADLESS_PICTURE", path.c_str(), 1);
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &nativeWindow), 1);
    idle();
    const Image shown = headless::captureWindow(frameWindow());
    closeEditor();
    unsetenv("STEPVEIL_HEADLESS_PICTURE");
    // The PNG signature and the header's width and height are all this test reads.
    std::string bytes(24, '\0');
    std::ifstream file(path, std::ios::binary);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    ASSERT_EQ(bytes.size(), 24u);
    EXPECT_EQ(bytes.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
    EXPECT_EQ(static_cast<unsigned char>(bytes[18]) << 8 | static_cast<unsigned char>(bytes[19]),
              shown.width);
    EXPECT_EQ(static_cast<unsigned char>(bytes[22]) << 8 | static_cast<unsigned char>(bytes[23]),
              shown.height);
    std::remove(path.c_str());
}

// The README's picture, which the Windows test also compares against, must be what the
// editor draws today; after a change of artwork or layout, refresh it with
// `stepveil snapshot docs/editor.png`.
TEST_F(EditorTest, TheReadmePictureIsWhatTheEditorDrawsNow) {
    png_image file{};
    file.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&file, STEPVEIL_README_PICTURE))
        << STEPVEIL_README_PICTURE;
    file.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(file));
    ASSERT_TRUE(png_image_finish_read(&file, nullptr, bytes.data(), 0, nullptr));
    openEditor();
    idle();
    const Image drawn = picture();
    ASSERT_EQ(static_cast<int>(file.width), drawn.width);
    ASSERT_EQ(static_cast<int>(file.height), drawn.height);
    int differences = 0;
    for (int y = 0; y < drawn.height; y++) {
        for (int x = 0; x < drawn.width; x++) {
            const std::size_t at = (static_cast<std::size_t>(y) * file.width + x) * 3;
            differences += drawn.at(x, y) != RGB(bytes[at], bytes[at + 1], bytes[at + 2]) ? 1 : 0;
        }
    }
    EXPECT_EQ(differences, 0) << "docs/editor.png is out of date";
}
