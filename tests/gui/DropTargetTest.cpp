// The drop target on both systems (headless on Linux, real OLE under Wine): its COM rules, the
// cursor it shows, what a drop hands to the views and what it frees, and the frame's
// registration.
#include "DropTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace droptest;

namespace {

constexpr DWORD copyOrMove = DROPEFFECT_COPY | DROPEFFECT_MOVE;

class CountedTarget : public DropTarget {
public:
    using DropTarget::DropTarget;
    static int destroyed;

protected:
    ~CountedTarget() override { destroyed++; }
};
int CountedTarget::destroyed = 0;

class DropTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        arraysBefore = liveArrays();
        host = makeHostWindow();
        ASSERT_NE(host, nullptr);
        frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
        target = frame->getDropTarget();
        ASSERT_NE(target, nullptr);
    }
    void TearDown() override {
        frame->release();
        destroyHostWindow(host);
        EXPECT_EQ(liveArrays(), arraysBefore) << "an array was not freed";
    }

    DropView* addView(const Rect& size, bool takes, const std::string& name) {
        auto* view = new DropView(size, takes, &received, name);
        EXPECT_TRUE(frame->addView(view));
        return view;
    }
    DWORD enter(TestData& data, DWORD keyState = MK_LBUTTON) {
        DWORD effect = copyOrMove;
        EXPECT_EQ(target->DragEnter(&data, keyState, POINTL{hostX + 5, hostY + 5}, &effect), S_OK);
        return effect;
    }
    // The drop as OLE makes it: the button let go, the cursor at the frame's point.
    DWORD drop(IDataObject* data, int x, int y, DWORD keyState = 0) {
        placeCursor(x, y);
        DWORD effect = copyOrMove;
        EXPECT_EQ(target->Drop(data, keyState, POINTL{hostX + x, hostY + y}, &effect), S_OK);
        return effect;
    }

    HWND host = nullptr;
    QuietEditor editor;
    Frame* frame = nullptr;
    DropTarget* target = nullptr;
    std::vector<ReceivedDrop> received;
    std::size_t arraysBefore = 0;
};

} // namespace

TEST(DropTargetCom, ReferencesAndInterfacesFollowComRules) {
    CountedTarget::destroyed = 0;
    auto* target = new CountedTarget(nullptr);
    EXPECT_EQ(target->getReferenceCount(), 0);
    EXPECT_FALSE(target->getAcceptsData());

    void* object = &object;
    EXPECT_EQ(target->QueryInterface(IID_IDataObject, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(target->getReferenceCount(), 0);
    EXPECT_EQ(target->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, static_cast<IDropTarget*>(target));
    EXPECT_EQ(target->QueryInterface(IID_IDropTarget, &object), S_OK);
    EXPECT_EQ(target->getReferenceCount(), 2);
    EXPECT_EQ(target->AddRef(), 3u);
    EXPECT_EQ(target->Release(), 2u);
    EXPECT_EQ(target->Release(), 1u);
    EXPECT_EQ(CountedTarget::destroyed, 0);
    EXPECT_EQ(target->Release(), 0u);
    EXPECT_EQ(CountedTarget::destroyed, 1) << "the Release that reaches 0 destroys it";

    // A Release with no reference to give back does nothing: nothing is freed twice.
    auto* unowned = new CountedTarget(nullptr);
    EXPECT_EQ(unowned->Release(), 0u);
    EXPECT_EQ(CountedTarget::destroyed, 1);
    unowned->AddRef();
    EXPECT_EQ(unowned->Release(), 0u);
    EXPECT_EQ(CountedTarget::destroyed, 2);
}

TEST_F(DropTargetTest, TheCursorShowsMoveCopyOrNoneByFormatAndControl) {
    TestData files;
    files.files = fileList({"/tmp/a"});
    EXPECT_EQ(enter(files), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_TRUE(target->getAcceptsData());
    EXPECT_EQ(files.asked, (std::vector<CLIPFORMAT>{CF_TEXT, CF_HDROP})) << "text is asked first";
    DWORD effect = copyOrMove;
    target->DragOver(MK_LBUTTON | MK_CONTROL, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    target->DragLeave();
    EXPECT_TRUE(target->getAcceptsData()) << "DragLeave changes nothing";

    TestData text;
    text.text = std::string("t", 2);
    EXPECT_EQ(enter(text, MK_LBUTTON | MK_CONTROL), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(text.asked, (std::vector<CLIPFORMAT>{CF_TEXT}));

    TestData image; // offers a bitmap and nothing else
    image.otherFormat = static_cast<CLIPFORMAT>(2);
    EXPECT_EQ(enter(image), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_FALSE(target->getAcceptsData());
    effect = copyOrMove;
    target->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = copyOrMove;
    EXPECT_EQ(target->DragEnter(nullptr, MK_LBUTTON, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(image.fetched.empty() && files.fetched.empty() && text.fetched.empty())
        << "nothing is read while dragging";
}

TEST_F(DropTargetTest, TextIsPreferredAndHandedAsTheLockedBlockThenFreed) {
    addView(Rect(0, 0, 562, 200), true, "all");
    TestData both;
    both.text = std::string("dropped text\0\0\0\0", 16);
    both.files = fileList({"/tmp/a"});
    enter(both);
    EXPECT_EQ(drop(&both, 30, 40), static_cast<DWORD>(DROPEFFECT_MOVE))
        << "a view took it: the effect the cursor showed";
    EXPECT_EQ(both.fetched, (std::vector<CLIPFORMAT>{CF_TEXT}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].kind, dropKindText);
    EXPECT_EQ(received[0].count, 16) << "the block's size, not the text's";
    EXPECT_EQ(received[0].text, std::string("dropped text\0\0\0\0", 16));
    EXPECT_EQ(received[0].where.h, 30);
    EXPECT_EQ(received[0].where.v, 40);
    EXPECT_EQ(both.unfreedBlocks(), 0);
    EXPECT_FALSE(target->getAcceptsData()) << "the drag is over";

    // A medium with an owner is given back to the owner; its block is the owner's.
    TestData owned;
    owned.text = std::string("x", 2);
    owned.withOwner = true;
    enter(owned);
    EXPECT_EQ(drop(&owned, 1, 1, MK_CONTROL), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(owned.owner.releases, 1);
    EXPECT_EQ(owned.references, 1u) << "the data object itself is not kept";
}

TEST_F(DropTargetTest, FilesAreListedCutToTheBufferAndEveryBlockFreed) {
    addView(Rect(0, 0, 562, 200), true, "all");
    const std::string longName = "/tmp/" + std::string(1500, 'n');
    TestData files;
    // The first entry is empty: a name the system cannot give, left out of the list.
    files.files = std::string(1, '\0') + fileList({"/tmp/plain file.txt", longName});
    const std::size_t arraysOfTheFrame = liveArrays();
    std::size_t arraysWithTheBlock = 0;
    files.afterGetData = [&] { arraysWithTheBlock = liveArrays(); };
    enter(files);
    EXPECT_EQ(drop(&files, 10, 10), static_cast<DWORD>(DROPEFFECT_MOVE));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].kind, dropKindFiles);
    ASSERT_EQ(received[0].count, 2) << "only the names listed are counted";
    EXPECT_EQ(received[0].names[0], "/tmp/plain file.txt");
    EXPECT_EQ(received[0].names[1], longName.substr(0, 1023));
    EXPECT_EQ(received[0].arraysAlive, arraysWithTheBlock + 3) << "the list and one block per name";
    EXPECT_EQ(liveArrays(), arraysOfTheFrame) << "all freed once the views have seen them";
    EXPECT_EQ(files.fetched, (std::vector<CLIPFORMAT>{CF_TEXT, CF_HDROP}));
    EXPECT_EQ(files.unfreedBlocks(), 0);
}

TEST_F(DropTargetTest, ViewsAreAskedFromTheLastAddedAndNoTakerMeansNoEffect) {
    addView(Rect(0, 0, 100, 100), true, "lower");
    addView(Rect(50, 50, 150, 150), false, "refuses");
    DropView* disabled = addView(Rect(0, 0, 200, 200), true, "disabled");
    disabled->setMouseEnabled(false);
    TestData files;
    files.files = fileList({"/tmp/a"});

    enter(files);
    EXPECT_EQ(drop(&files, 60, 60), static_cast<DWORD>(DROPEFFECT_MOVE));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].view, "refuses");
    EXPECT_EQ(received[1].view, "lower");

    // Where nobody takes it, a source that allows moving must not be told it moved.
    received.clear();
    enter(files);
    EXPECT_EQ(drop(&files, 120, 120), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(received.size(), 1u);
    EXPECT_EQ(files.unfreedBlocks(), 0);

    // A view holding the focus (a slider being dragged) blocks every drop.
    received.clear();
    frame->setFocusView(disabled);
    enter(files);
    EXPECT_EQ(drop(&files, 60, 60), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(received.empty());
    frame->setFocusView(nullptr);
}

TEST_F(DropTargetTest, ADropWithoutAnAcceptedEnterOrWithoutDataDeliversNothing) {
    addView(Rect(0, 0, 562, 200), true, "all");
    TestData files;
    files.files = fileList({"/tmp/a"});
    EXPECT_EQ(drop(&files, 5, 5), static_cast<DWORD>(DROPEFFECT_NONE)) << "no DragEnter";
    enter(files);
    EXPECT_EQ(drop(nullptr, 5, 5), static_cast<DWORD>(DROPEFFECT_NONE)) << "no data";
    EXPECT_EQ(drop(&files, 5, 5), static_cast<DWORD>(DROPEFFECT_NONE)) << "the drag was over";
    TestData image;
    image.otherFormat = static_cast<CLIPFORMAT>(2);
    enter(image);
    EXPECT_EQ(drop(&files, 5, 5), static_cast<DWORD>(DROPEFFECT_NONE)) << "a refused drag";
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(files.fetched.empty());

    // Data that offered text but cannot give a usable block: nothing is handed on.
    TestData empty;
    empty.text = std::string();
    enter(empty);
    EXPECT_EQ(drop(&empty, 5, 5), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(empty.unfreedBlocks(), 0);
    EXPECT_EQ(files.references, 1u);
}

TEST_F(DropTargetTest, TheFrameRegistersItsTargetAndCutsItLooseWhenItRevokes) {
    EXPECT_TRUE(frame->isDropActive());
    EXPECT_EQ(target->getFrame(), frame);
    EXPECT_EQ(target->getReferenceCount(), 2) << "the system's and the frame's";
    TestData files;
    files.files = fileList({"/tmp/a"});
    EXPECT_EQ(RegisterDragDrop(frame->getWindow(), target), DRAGDROP_E_ALREADYREGISTERED);

    // The system may still hold the target when the frame revokes (a drag in progress).
    target->AddRef();
    enter(files);
    frame->setDropEnabled(false);
    EXPECT_FALSE(frame->isDropActive());
    EXPECT_EQ(frame->getDropTarget(), nullptr);
    EXPECT_EQ(RevokeDragDrop(frame->getWindow()), DRAGDROP_E_NOTREGISTERED);
    EXPECT_EQ(target->getReferenceCount(), 1);
    EXPECT_EQ(target->getFrame(), nullptr);
    EXPECT_EQ(drop(&files, 5, 5), static_cast<DWORD>(DROPEFFECT_NONE));
    target->Release();

    frame->setDropEnabled(true);
    target = frame->getDropTarget();
    ASSERT_NE(target, nullptr);
    target->AddRef();
    // The host destroys its window: the frame gives the registration back while its own
    // window still exists.
    destroyHostWindow(host);
    host = makeHostWindow();
    EXPECT_FALSE(frame->isDropActive());
    EXPECT_EQ(target->getReferenceCount(), 1);
    EXPECT_EQ(target->getFrame(), nullptr);
    target->Release();
}
