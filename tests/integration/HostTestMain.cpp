// Runs the host-level tests. --plugin=PATH points them at another build of the plug-in file.
#include "TestFiles.h"
#include "tests/HeadlessDisplayChoice.h"

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const char* const pluginOption = "--plugin=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], pluginOption, std::strlen(pluginOption)) == 0) {
            stepveil::test::usePluginFile(argv[i] + std::strlen(pluginOption));
        }
    }
    return RUN_ALL_TESTS();
}
