// Drops on real Win32 (run under Wine): shortcut files resolved through the system's shell
// links, and real OLE drags driven by the system's own drag loop onto a frame's window.
#include "DropTestSupport.h"
#include "WineDragSource.h"

#include <gtest/gtest.h>

#include <string>

// The library instance the toolkit registers its window class with: here, the program.
void* moduleInstance = GetModuleHandleA(nullptr);

using namespace droptest;

namespace {

std::string tempFolder() {
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    std::string folder = std::string(path) + "stepveil drop test\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void writeFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

// A shortcut made as the shell makes one: a shell link pointing at `target`, saved to `path`.
bool makeShortcut(const std::string& path, const std::string& target) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    IPersistFile* file = nullptr;
    bool saved = false;
    if (SUCCEEDED(link->SetPath(target.c_str())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t widePath[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
        saved = SUCCEEDED(file->Save(widePath, TRUE));
        file->Release();
    }
    link->Release();
    return saved;
}

std::string shortPath(const std::string& path) {
    char result[MAX_PATH] = {};
    GetShortPathNameA(path.c_str(), result, MAX_PATH);
    return result;
}

class WineDrop : public ::testing::Test {
protected:
    void SetUp() override {
        host = makeHostWindow();
        ASSERT_NE(host, nullptr);
        SetForegroundWindow(host);
        frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
        ASSERT_TRUE(frame->isDropActive());
    }
    void TearDown() override {
        frame->release();
        destroyHostWindow(host);
    }

    HWND host = nullptr;
    QuietEditor editor;
    Frame* frame = nullptr;
    std::vector<ReceivedDrop> received;
};

} // namespace

TEST_F(WineDrop, AShortcutIsDeliveredAsItsTargetsShortPathBesideAPlainFile) {
    frame->addView(new DropView(Rect(0, 0, 562, 200), true, &received, "all"));
    const std::string folder = tempFolder();
    const std::string plain = folder + "plain dropped file.txt";
    const std::string target = folder + "the shortcut's long target name.txt";
    writeFile(plain, "plain");
    writeFile(target, "target");
    ASSERT_TRUE(makeShortcut(folder + "to the target.lnk", target));
    ASSERT_TRUE(makeShortcut(folder + "SHOUTED.LNK", target));
    writeFile(folder + "broken.lnk", "not a shell link");
    writeFile(folder + "notes.lnk.txt", "text");
    // Windows' shell link gives the target's short (8.3) path; Wine's gives the long path
    // whatever the flags say.
    const std::string targetShort = shortPath(target);
    ASSERT_NE(targetShort, target) << "the test needs a name with a short form of its own";
    auto isTheTarget = [&](const std::string& name) {
        return name == targetShort || name == target;
    };
    auto dropFiles = [&](const std::vector<std::string>& names) {
        TestData data;
        data.files = fileList(names);
        placeCursor(9, 9);
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        frame->getDropTarget()->DragEnter(&data, MK_LBUTTON, POINTL{hostX + 9, hostY + 9}, &effect);
        frame->getDropTarget()->Drop(&data, 0, POINTL{hostX + 9, hostY + 9}, &effect);
        EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
        return received.empty() ? ReceivedDrop{} : received.back();
    };

    ReceivedDrop pair = dropFiles({plain, folder + "to the target.lnk"});
    EXPECT_EQ(pair.kind, dropKindFiles);
    ASSERT_EQ(pair.count, 2);
    EXPECT_EQ(pair.names[0], plain);
    EXPECT_PRED1(isTheTarget, pair.names[1]);

    // Letter case does not matter; a shortcut that cannot be loaded, and a name that only
    // contains ".lnk", arrive under their own names.
    ReceivedDrop variants =
        dropFiles({folder + "SHOUTED.LNK", folder + "broken.lnk", folder + "notes.lnk.txt"});
    ASSERT_EQ(variants.count, 3);
    EXPECT_PRED1(isTheTarget, variants.names[0]);
    EXPECT_EQ(variants.names[1], folder + "broken.lnk");
    EXPECT_EQ(variants.names[2], folder + "notes.lnk.txt");
}

TEST_F(WineDrop, ARealOleDragShowsTheCursorAndReportsWhatTheViewsDid) {
    // The left half takes drops; nothing on the right does.
    frame->addView(new DropView(Rect(0, 0, 280, 200), true, &received, "left"));
    TestData files;
    files.files = fileList({"C:\\dropped\\one.txt", "C:\\dropped\\two.txt"});
    // The drag starts on the host's own part of its window (outside the frame): the pressed
    // button must land on a window of this program for the drag loop to get the input.
    const POINT outside{hostX + 580, hostY + 220};

    RealDrag taken = dragWithTheMouse(&files, outside,
                                      {{hostX + 570, hostY + 215},
                                       {hostX + 100, hostY + 100},
                                       {hostX + 110, hostY + 100, true},
                                       {hostX + 120, hostY + 100, false},
                                       {hostX + 121, hostY + 101}},
                                      DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_EQ(taken.result, DRAGDROP_S_DROP);
    EXPECT_EQ(taken.effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(taken.effectsShown, (std::vector<DWORD>{DROPEFFECT_NONE, DROPEFFECT_MOVE,
                                                      DROPEFFECT_COPY, DROPEFFECT_MOVE}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].names,
              (std::vector<std::string>{"C:\\dropped\\one.txt", "C:\\dropped\\two.txt"}));
    EXPECT_EQ(received[0].where.h, 121);
    EXPECT_EQ(received[0].where.v, 101);
    EXPECT_EQ(files.unfreedBlocks(), 0);

    // Over the right half the cursor still shows (copy, control held), but no view takes the
    // drop: the source is told nothing happened.
    RealDrag refused = dragWithTheMouse(
        &files, outside, {{hostX + 400, hostY + 100}, {hostX + 401, hostY + 101, true}},
        DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_EQ(refused.effectsShown.back(), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(refused.effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(received.size(), 1u);
    EXPECT_EQ(files.references, 1u);
}
