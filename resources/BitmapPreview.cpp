// Saves the editor's bitmaps as PNG files, loaded exactly as the editor loads them: by id,
// with LoadBitmapA, from the resources compiled into this program.
#include "platform/headless.h"
#include "platform/linux/core/ModuleHandle.h"

#include <cstdio>
#include <string>

int main(int argumentCount, char** arguments) {
    if (argumentCount != 2) {
        std::fprintf(stderr, "usage: stepveil_bitmap_preview <directory>\n");
        return 2;
    }
    const std::string directory = arguments[1];
    for (int id : {128, 129, 130}) {
        HBITMAP bitmap = LoadBitmapA(stepveil::platform::thisModuleHandle(), MAKEINTRESOURCEA(id));
        std::string path = directory + "/bitmap" + std::to_string(id) + ".png";
        bool saved =
            bitmap != nullptr && stepveil::platform::headless::savePng(
                                     stepveil::platform::headless::captureBitmap(bitmap), path);
        DeleteObject(bitmap);
        if (!saved) {
            std::fprintf(stderr, "stepveil_bitmap_preview: cannot save bitmap %d as %s\n", id,
                         path.c_str());
            return 1;
        }
    }
    return 0;
}
