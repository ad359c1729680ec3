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

// What the system's shell link answers for a shortcut's target in the short form. (Wine's
// answers with the long form: it does not shorten.)
std::string linkTargetInShortForm(const std::string& shortcut) {
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    char path[MAX_PATH] = {};
    wchar_t widePath[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, widePath, MAX_PATH);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(widePath, STGM_READ))) {
        WIN32_FIND_DATAA found;
        link->GetPath(path, MAX_PATH, &found, SLGP_SHORTPATH);
    }
    if (file) {
        file->Release();
    }
    if (link) {
        link->Release();
    }
    return path;
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
    // The target as the system names it in the short form: the 8.3 path on Windows.
    const std::string targetShort = linkTargetInShortForm(folder + "to the target.lnk");
    ASSERT_EQ(shortPath(targetShort), shortPath(target)) << "the link names the target";
    ASSERT_NE(shortPath(target), target) << "the test needs a name with a short form of its own";

    TestData pair;
    pair.files = fileList({plain, folder + "to the target.lnk"});
    DropTarget* dropTarget = frame->getDropTarget();
    placeCursor(9, 9);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    dropTarget->DragEnter(&pair, MK_LBUTTON, POINTL{hostX + 9, hostY + 9}, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(dropTarget->Drop(&pair, 0, POINTL{hostX + 9, hostY + 9}, &effect), S_OK);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].kind, dropKindFiles);
    ASSERT_EQ(received[0].count, 2);
    EXPECT_EQ(received[0].names[0], plain);
    EXPECT_EQ(received[0].names[1], targetShort);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));

    // Letter case does not matter; a shortcut that cannot be loaded, and a name that only
    // contains ".lnk", arrive under their own names.
    TestData variants;
    variants.files =
        fileList({folder + "SHOUTED.LNK", folder + "broken.lnk", folder + "notes.lnk.txt"});
    effect = DROPEFFECT_COPY;
    dropTarget->DragEnter(&variants, MK_LBUTTON, POINTL{hostX + 9, hostY + 9}, &effect);
    dropTarget->Drop(&variants, 0, POINTL{hostX + 9, hostY + 9}, &effect);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].names, (std::vector<std::string>{targetShort, folder + "broken.lnk",
                                                           folder + "notes.lnk.txt"}));
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

    // Over the right half the cursor still shows move, but no view takes the drop: the
    // source is told nothing happened.
    RealDrag refused = dragWithTheMouse(
        &files, outside, {{hostX + 400, hostY + 100}, {hostX + 401, hostY + 101, true}},
        DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_EQ(refused.effectsShown.back(), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(refused.effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(received.size(), 1u);
    EXPECT_EQ(files.references, 1u);
}
