// The load hook: a shared library that links the layer gets DllMain calls at load and unload,
// with an instance handle that names the library and finds the library's own bitmaps.
#include "PlatformTestSupport.h"

#include <dlfcn.h>

namespace {

template <typename Function> Function symbol(void* library, const char* name) {
    return reinterpret_cast<Function>(dlsym(library, name));
}

} // namespace

TEST(LoadHook, DllMainGetsTheLibrarysHandleAtLoadAndIsToldOfTheUnload) {
    void* library = dlopen(STEPVEIL_LOAD_HOOK_PROBE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto attachCount = symbol<int (*)()>(library, "probeAttachCount");
    auto instance = symbol<void* (*)()>(library, "probeInstance");
    auto bitmapSize = symbol<int (*)(int, int*)>(library, "probeBitmapSize");
    auto reportDetach = symbol<void (*)(int*)>(library, "probeReportDetachTo");
    ASSERT_TRUE(attachCount && instance && bitmapSize && reportDetach);

    EXPECT_EQ(attachCount(), 1);
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(attachCount), &info), 0);
    EXPECT_EQ(instance(), info.dli_fbase) << "the handle is the library's load address";

    int height = 0;
    EXPECT_EQ(bitmapSize(128, &height), 562);
    EXPECT_EQ(height, 200);
    EXPECT_EQ(bitmapSize(129, &height), 16);
    EXPECT_EQ(height, 89);
    EXPECT_EQ(bitmapSize(130, &height), 14);
    EXPECT_EQ(height, 12);
    EXPECT_EQ(bitmapSize(131, &height), 0);
    EXPECT_EQ(LoadBitmapA(static_cast<HINSTANCE>(instance()), MAKEINTRESOURCEA(128)), nullptr)
        << "this program's own layer does not see the library's resources";

    static int detached = 0;
    reportDetach(&detached);
    dlclose(library);
    EXPECT_EQ(detached, 1);
}
