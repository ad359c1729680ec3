// The drop target on both systems (headless on Linux, real OLE under Wine): its COM rules, the
// cursor it shows, what a drop hands to the views and what it frees, and the frame's
// registration.
#include "DropTestSupport.h"

#include <gtest/gtest.h>

using namespace droptest;

namespace {

constexpr DWORD copyOrMove = DROPEFFECT_COPY | DROPEFFECT_MOVE;
constexpr DWORD none = DROPEFFECT_NONE;
constexpr DWORD copy = DROPEFFECT_COPY;
constexpr DWORD move = DROPEFFECT_MOVE;

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
        frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
        target = frame->getDropTarget();
        ASSERT_NE(target, nullptr);
    }
    void TearDown() override {
        frame->release();
        destroyHostWindow(host);
        EXPECT_EQ(liveArrays(), arraysBefore) << "an array was not freed";
    }

    void addView(const Rect& size, bool takes, const std::string& name) {
        frame->addView(new DropView(size, takes, &received, name));
    }
    DWORD enter(TestData& data, DWORD keyState = MK_LBUTTON) {
        DWORD effect = copyOrMove;
        EXPECT_EQ(target->DragEnter(&data, keyState, POINTL{hostX, hostY}, &effect), S_OK);
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
    void* object = &object;
    EXPECT_EQ(target->QueryInterface(IID_IDataObject, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(target->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, static_cast<IDropTarget*>(target));
    EXPECT_EQ(target->QueryInterface(IID_IDropTarget, &object), S_OK);
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
    unowned->Release();
    EXPECT_EQ(CountedTarget::destroyed, 2);
}

TEST_F(DropTargetTest, TheCursorShowsMoveCopyOrNoneByFormatAndControl) {
    TestData files;
    files.files = fileList({"/tmp/a"});
    EXPECT_EQ(enter(files), move);
    EXPECT_EQ(files.asked, (std::vector<CLIPFORMAT>{CF_TEXT, CF_HDROP})) << "text is asked first";
    DWORD effect = copyOrMove;
    target->DragOver(MK_LBUTTON | MK_CONTROL, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, copy);
    target->DragLeave();
    EXPECT_TRUE(target->getAcceptsData()) << "DragLeave changes nothing";

    TestData text;
    text.text = std::string("t", 2);
    EXPECT_EQ(enter(text, MK_LBUTTON | MK_CONTROL), copy);
    EXPECT_EQ(text.asked, (std::vector<CLIPFORMAT>{CF_TEXT}));

    TestData image; // offers a bitmap and nothing else
    image.otherFormat = static_cast<CLIPFORMAT>(2);
    EXPECT_EQ(enter(image), none);
    effect = copyOrMove;
    target->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, none);
    effect = copyOrMove;
    target->DragEnter(nullptr, MK_LBUTTON, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, none);
    EXPECT_TRUE(image.fetched.empty() && files.fetched.empty() && text.fetched.empty())
        << "nothing is read while dragging";
}

TEST_F(DropTargetTest, TextBeforeFilesNamesCutToTheBufferAndEverythingFreedAfterwards) {
    addView(Rect(0, 0, 562, 200), true, "all");
    TestData both;
    both.text = std::string("dropped text\0\0\0\0", 16);
    both.files = fileList({"/tmp/a"});
    enter(both);
    EXPECT_EQ(drop(&both, 30, 40), move) << "a view took it: the effect the cursor showed";
    EXPECT_EQ(both.fetched, (std::vector<CLIPFORMAT>{CF_TEXT}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].kind, dropKindText);
    EXPECT_EQ(received[0].count, 16) << "the block's size, not the text's";
    EXPECT_EQ(received[0].text, *both.text);
    EXPECT_EQ(received[0].where.h, 30);
    EXPECT_EQ(received[0].where.v, 40);
    EXPECT_EQ(both.unfreedBlocks(), 0);

    const std::string longName = "/tmp/" + std::string(1500, 'n');
    TestData files;
    // The first entry is empty: a name the system cannot give, left out of the list.
    files.files = std::string(1, '\0') + fileList({"/tmp/plain file.txt", longName});
    const std::size_t arraysOfTheFrame = liveArrays();
    std::size_t arraysWithTheBlock = 0;
    files.afterGetData = [&] { arraysWithTheBlock = liveArrays(); };
    enter(files);
    EXPECT_EQ(drop(&files, 10, 10, MK_CONTROL), copy);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].kind, dropKindFiles);
    EXPECT_EQ(received[1].names,
              (std::vector<std::string>{"/tmp/plain file.txt", longName.substr(0, 1023)}));
    EXPECT_EQ(received[1].count, 2) << "only the names listed are counted";
    EXPECT_EQ(received[1].arraysAlive, arraysWithTheBlock + 3) << "a list and a block per name";
    EXPECT_EQ(liveArrays(), arraysOfTheFrame);
    EXPECT_EQ(files.unfreedBlocks(), 0);
    EXPECT_EQ(files.references, 1u) << "the data object is not kept";
}

TEST_F(DropTargetTest, ViewsAreAskedFromTheLastAddedAndNoTakerMeansNoEffect) {
    addView(Rect(0, 0, 100, 100), true, "lower");
    addView(Rect(50, 50, 150, 150), false, "refuses");
    addView(Rect(0, 0, 200, 200), true, "disabled");
    frame->getView(2)->setMouseEnabled(false);
    TestData files;
    files.files = fileList({"/tmp/a"});
    enter(files);
    EXPECT_EQ(drop(&files, 60, 60), move);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].view, "refuses");
    EXPECT_EQ(received[1].view, "lower");

    // Where nobody takes it, a source that allows moving must not be told it moved.
    enter(files);
    EXPECT_EQ(drop(&files, 120, 120), none);
    EXPECT_EQ(received.size(), 3u);

    // A view holding the focus (a slider being dragged) blocks every drop.
    frame->setFocusView(frame->getView(0));
    enter(files);
    EXPECT_EQ(drop(&files, 60, 60), none);
    EXPECT_EQ(received.size(), 3u);
    frame->setFocusView(nullptr);
    EXPECT_EQ(files.unfreedBlocks(), 0);
}

TEST_F(DropTargetTest, ADropWithoutAnAcceptedEnterOrUsableDataDeliversNothing) {
    addView(Rect(0, 0, 562, 200), true, "all");
    TestData files;
    files.files = fileList({"/tmp/a"});
    EXPECT_EQ(drop(&files, 5, 5), none) << "no DragEnter";
    enter(files);
    EXPECT_EQ(drop(nullptr, 5, 5), none) << "no data";
    EXPECT_EQ(drop(&files, 5, 5), none) << "the drag was over";
    TestData image;
    image.otherFormat = static_cast<CLIPFORMAT>(2);
    enter(image);
    EXPECT_EQ(drop(&files, 5, 5), none) << "a refused drag";
    EXPECT_TRUE(files.fetched.empty());

    TestData empty; // offers text, but its block cannot be locked
    empty.text = std::string();
    enter(empty);
    EXPECT_EQ(drop(&empty, 5, 5), none);
    EXPECT_TRUE(received.empty());
}

TEST_F(DropTargetTest, TheFrameRegistersItsTargetAndCutsItLooseWhenItRevokes) {
    EXPECT_TRUE(frame->isDropActive());
    EXPECT_EQ(target->getFrame(), frame);
    EXPECT_EQ(target->getReferenceCount(), 2) << "the system's and the frame's";
    EXPECT_EQ(RegisterDragDrop(frame->getWindow(), target), DRAGDROP_E_ALREADYREGISTERED);

    // The system may still hold the target when the frame revokes (a drag in progress).
    TestData files;
    files.files = fileList({"/tmp/a"});
    target->AddRef();
    enter(files);
    frame->setDropEnabled(false);
    EXPECT_EQ(frame->getDropTarget(), nullptr);
    EXPECT_EQ(RevokeDragDrop(frame->getWindow()), DRAGDROP_E_NOTREGISTERED);
    EXPECT_EQ(target->getReferenceCount(), 1);
    EXPECT_EQ(target->getFrame(), nullptr);
    EXPECT_EQ(drop(&files, 5, 5), none);
    target->Release();

    // The host destroys its window first: the frame gives the registration back while its
    // own window still exists.
    frame->setDropEnabled(true);
    target = frame->getDropTarget();
    target->AddRef();
    destroyHostWindow(host);
    host = makeHostWindow();
    EXPECT_FALSE(frame->isDropActive());
    EXPECT_EQ(target->getReferenceCount(), 1);
    target->Release();
}
