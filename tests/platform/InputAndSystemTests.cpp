// The test interface's input and clock, and kernel32's system answers.
#include "PlatformTestSupport.h"

#include <cstring>

using namespace platform_test;
namespace headless = stepveil::platform::headless;

namespace {

bool isDown(int key) {
    return GetAsyncKeyState(key) < 0;
}

} // namespace

class InputAndSystem : public PlatformTest {};

TEST_F(InputAndSystem, CursorKeysAndSwappedButtonsAreWhatTheTestSets) {
    headless::setCursorPos(110, 70);
    POINT cursor{};
    ASSERT_TRUE(GetCursorPos(&cursor));
    EXPECT_EQ(cursor.x, 110);
    EXPECT_EQ(cursor.y, 70);

    EXPECT_FALSE(isDown(VK_LBUTTON));
    headless::setKeyDown(VK_LBUTTON, true);
    headless::setKeyDown(VK_SHIFT, true);
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON), static_cast<SHORT>(-32768)) << "only the high bit";
    EXPECT_TRUE(isDown(VK_SHIFT));
    EXPECT_FALSE(isDown(VK_CONTROL));
    headless::releaseAllKeys();
    EXPECT_FALSE(isDown(VK_LBUTTON));
    EXPECT_EQ(GetAsyncKeyState(-5), 0);
    EXPECT_EQ(GetAsyncKeyState(0x1234), 0);

    EXPECT_EQ(GetSystemMetrics(SM_SWAPBUTTON), 0);
    headless::setButtonsSwapped(true);
    EXPECT_EQ(GetSystemMetrics(SM_SWAPBUTTON), 1);
}

TEST_F(InputAndSystem, ScriptedInputAdvancesWhenAPollAsksForAKeyAgain) {
    headless::scriptInput({{{VK_LBUTTON}, POINT{10, 10}},
                           {{VK_LBUTTON, VK_SHIFT}, POINT{10, 20}},
                           {{}, POINT{10, 30}}});
    POINT cursor{};
    // A drag loop polls the buttons and modifiers, then the cursor, then again.
    EXPECT_TRUE(isDown(VK_LBUTTON));
    EXPECT_FALSE(isDown(VK_SHIFT));
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.y, 10);
    EXPECT_TRUE(isDown(VK_LBUTTON)); // second poll: next step
    EXPECT_TRUE(isDown(VK_SHIFT));
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.y, 20);
    EXPECT_FALSE(isDown(VK_LBUTTON)); // released
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.y, 30);
    EXPECT_FALSE(isDown(VK_LBUTTON)) << "the last step stays";
}

TEST_F(InputAndSystem, VirtualClockIsSetByTheTestAndAdvancedBySleep) {
    headless::setTickCount(0xFFFFFFF0u);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    Sleep(4);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF4u);
    Sleep(20);
    EXPECT_EQ(GetTickCount(), 8u) << "wraps round like the 32-bit counter";
}

TEST_F(InputAndSystem, VersionReportsThePlatformIdForBothRecordSizes) {
    OSVERSIONINFOEXA extended{};
    extended.dwOSVersionInfoSize = sizeof extended;
    ASSERT_EQ(sizeof extended, 156u);
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended)));
    EXPECT_EQ(extended.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));

    headless::setPlatformId(VER_PLATFORM_WIN32_WINDOWS);
    OSVERSIONINFOA basic{};
    basic.dwOSVersionInfoSize = sizeof basic;
    ASSERT_TRUE(GetVersionExA(&basic));
    EXPECT_EQ(basic.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
    basic.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&basic)) << "an unknown record size is refused";
}

TEST_F(InputAndSystem, Msimg32IsBuiltInAndCanBeMadeMissing) {
    HMODULE module = LoadLibraryA("msimg32.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadLibraryA("MSIMG32"), module);
    FARPROC entry = GetProcAddress(module, "TransparentBlt");
    EXPECT_EQ(reinterpret_cast<void (*)()>(entry), reinterpret_cast<void (*)()>(&TransparentBlt));
    EXPECT_EQ(GetProcAddress(module, "AlphaBlend"), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_FALSE(FreeLibrary(module)) << "freed as often as loaded";
    EXPECT_EQ(GetProcAddress(module, "TransparentBlt"), nullptr) << "unloaded";
    EXPECT_EQ(LoadLibraryA("kernel33.dll"), nullptr);

    headless::setLibraryAvailable("msimg32.dll", false);
    EXPECT_EQ(LoadLibraryA("msimg32.dll"), nullptr);
    headless::setLibraryAvailable("msimg32.dll", true);
    module = LoadLibraryA("msimg32.dll");
    EXPECT_NE(module, nullptr);
    FreeLibrary(module);
}

TEST_F(InputAndSystem, GlobalMemoryBlocksLockUnlockAndFree) {
    HGLOBAL movable = GlobalAlloc(GHND, 10);
    ASSERT_NE(movable, nullptr);
    EXPECT_EQ(GlobalSize(movable), 10u);
    auto* bytes = static_cast<char*>(GlobalLock(movable));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[9], 0) << "zero-initialised";
    std::strcpy(bytes, "dropped");
    EXPECT_STREQ(static_cast<char*>(GlobalLock(movable)), "dropped");
    EXPECT_TRUE(GlobalUnlock(movable)) << "still locked once";
    EXPECT_FALSE(GlobalUnlock(movable));
    EXPECT_EQ(GlobalFree(movable), nullptr);
    EXPECT_EQ(GlobalSize(movable), 0u) << "a freed block is unknown";
    EXPECT_EQ(GlobalFree(movable), movable) << "freeing twice fails";

    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 4);
    EXPECT_EQ(GlobalLock(fixed), fixed) << "a fixed block is its own address";
    GlobalFree(fixed);

    headless::failGlobalAllocations(1);
    EXPECT_EQ(GlobalAlloc(GHND, 4), nullptr);
    HGLOBAL after = GlobalAlloc(GHND, 4);
    EXPECT_NE(after, nullptr);
    GlobalFree(after);
}

TEST_F(InputAndSystem, MultiByteToWideCharConvertsUtf8AndReportsSizes) {
    const char* path = "/tmp/caf\xC3\xA9 \xF0\x9F\x8E\xB5.wav";
    int needed = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    EXPECT_EQ(needed, 17) << "15 characters, one of them two UTF-16 units, and the terminator";
    WCHAR wide[32];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 32), needed);
    EXPECT_EQ(wide[8], u'\u00E9');
    EXPECT_EQ(wide[10], 0xD83C);
    EXPECT_EQ(wide[11], 0xDFB5);
    EXPECT_EQ(wide[16], 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 5), 0) << "buffer too small";

    const char invalid[] = "a\xFF";
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, invalid, 2, wide, 32), 2);
    EXPECT_EQ(wide[1], 0xFFFD);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, invalid, 2, wide, 32), 0);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", 1, wide, 32), 0) << "other code pages";
}

TEST_F(InputAndSystem, OleInitialisationIsCountedPerThread) {
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
    OleUninitialize();
    OleUninitialize();
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    OleUninitialize();
}
