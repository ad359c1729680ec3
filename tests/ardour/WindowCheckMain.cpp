// ardour_window_check: the picture side of the Ardour GUI test (run-ardour-gui-test.sh). It
// reads a window's pixels back from the X server, as anyone looking at the screen would see
// them, and compares them with a picture file.
//
//   ardour_window_check capture WINDOW OUTPUT.png
//       writes what the X server shows of the window (an id as xwininfo prints it, or "root");
//   ardour_window_check compare WINDOW EXPECTED.png [DIFFERENCE.png]
//       compares it with the picture pixel for pixel: the sizes must agree and every pixel be
//       equal; the differing pixels are counted, their bounds printed, and, when asked for,
//       painted red over a greyed copy of the window in DIFFERENCE.png.
//
// Uses the X display named by DISPLAY. Exit status: 0 when the pictures are equal (or the
// capture was written), 1 when they differ, 2 for a wrong command line, an unreadable file or
// a window that cannot be read.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace stepveil::ardourcheck {
namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Pixels as 0xRRGGBB, row by row from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

using DisplayHandle = std::unique_ptr<Display, int (*)(Display*)>;

DisplayHandle openDisplay() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        throw Failure("cannot open the X display \"" + std::string(XDisplayName(nullptr)) + "\"");
    }
    return DisplayHandle(display, &XCloseDisplay);
}

// A window id as xwininfo and xdotool print it (0x... or decimal), or "root".
Window parseWindow(Display* display, const std::string& text) {
    if (text == "root") {
        return DefaultRootWindow(display);
    }
    char* end = nullptr;
    const unsigned long id = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || id == 0) {
        throw Failure("not a window id: '" + text + "'");
    }
    return static_cast<Window>(id);
}

// Bits of a colour channel within a pixel value: where it starts and how wide it is.
struct Channel {
    int shift = 0;
    int bits = 0;
    explicit Channel(unsigned long mask) {
        while (mask != 0 && (mask & 1) == 0) {
            mask >>= 1;
            ++shift;
        }
        while ((mask & 1) != 0) {
            mask >>= 1;
            ++bits;
        }
    }
    std::uint32_t eightBits(unsigned long pixel) const {
        const unsigned long value = (pixel >> shift) & ((1ul << bits) - 1);
        return bits >= 8 ? static_cast<std::uint32_t>(value >> (bits - 8))
                         : static_cast<std::uint32_t>(value * 255 / ((1ul << bits) - 1));
    }
};

// Errors on our own connection (a window that is gone, or unmapped) are answers here, not
// reasons to end the program as Xlib's default handler would.
int lastErrorCode = 0;
int rememberError(Display*, XErrorEvent* event) {
    lastErrorCode = event->error_code;
    return 0;
}

Picture readWindow(Display* display, Window window) {
    XSetErrorHandler(rememberError);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        throw Failure("no such window");
    }
    if (attributes.map_state != IsViewable) {
        throw Failure("the window is not viewable (not mapped, or an ancestor is not)");
    }
    if (attributes.visual->c_class != TrueColor) {
        throw Failure("the window's visual is not TrueColor");
    }
    lastErrorCode = 0;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    XSync(display, False);
    if (image == nullptr || lastErrorCode != 0) {
        throw Failure("the X server would not give the window's pixels (error " +
                      std::to_string(lastErrorCode) + ")");
    }
    const Channel red(image->red_mask), green(image->green_mask), blue(image->blue_mask);
    Picture picture;
    picture.width = attributes.width;
    picture.height = attributes.height;
    picture.pixels.reserve(static_cast<std::size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            picture.pixels.push_back(red.eightBits(pixel) << 16 | green.eightBits(pixel) << 8 |
                                     blue.eightBits(pixel));
        }
    }
    XDestroyImage(image);
    return picture;
}

Picture readPng(const std::string& path) {
    png_image description{};
    description.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&description, path.c_str()) == 0) {
        throw Failure("cannot read \"" + path + "\": " + description.message);
    }
    description.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> bytes(PNG_IMAGE_SIZE(description));
    if (png_image_finish_read(&description, nullptr, bytes.data(), 0, nullptr) == 0) {
        std::string message = description.message;
        png_image_free(&description);
        throw Failure("cannot read \"" + path + "\": " + message);
    }
    Picture picture;
    picture.width = static_cast<int>(description.width);
    picture.height = static_cast<int>(description.height);
    for (std::size_t at = 0; at + 2 < bytes.size(); at += 3) {
        picture.pixels.push_back(std::uint32_t{bytes[at]} << 16 |
                                 std::uint32_t{bytes[at + 1]} << 8 | bytes[at + 2]);
    }
    return picture;
}

void writePng(const Picture& picture, const std::string& path) {
    png_image description{};
    description.version = PNG_IMAGE_VERSION;
    description.width = static_cast<png_uint_32>(picture.width);
    description.height = static_cast<png_uint_32>(picture.height);
    description.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> bytes;
    bytes.reserve(picture.pixels.size() * 3);
    for (const std::uint32_t pixel : picture.pixels) {
        bytes.push_back(static_cast<unsigned char>(pixel >> 16));
        bytes.push_back(static_cast<unsigned char>(pixel >> 8));
        bytes.push_back(static_cast<unsigned char>(pixel));
    }
    const bool written =
        png_image_write_to_file(&description, path.c_str(), 0, bytes.data(), 0, nullptr) != 0;
    png_image_free(&description);
    if (!written) {
        throw Failure("cannot write \"" + path + "\"");
    }
}

// Prints how the pictures differ; true when they are equal.
bool comparePictures(const Picture& shown, const Picture& expected, const std::string& difference) {
    if (shown.width != expected.width || shown.height != expected.height) {
        std::printf("the window is %d x %d, the expected picture %d x %d\n", shown.width,
                    shown.height, expected.width, expected.height);
        return false;
    }
    Picture marked = shown;
    long differing = 0;
    int left = shown.width, top = shown.height, right = -1, bottom = -1;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * shown.width + x;
            const std::uint32_t grey = ((shown.pixels[at] >> 8 & 0xff) / 3 + 170) * 0x010101u;
            if (shown.pixels[at] == expected.pixels[at]) {
                marked.pixels[at] = grey;
                continue;
            }
            if (differing == 0) {
                std::printf("first difference at %d,%d: shown #%06x, expected #%06x\n", x, y,
                            static_cast<unsigned>(shown.pixels[at]),
                            static_cast<unsigned>(expected.pixels[at]));
            }
            marked.pixels[at] = 0xff0000u;
            ++differing;
            left = std::min(left, x);
            top = std::min(top, y);
            right = std::max(right, x);
            bottom = std::max(bottom, y);
        }
    }
    if (differing == 0) {
        std::printf("%d x %d pixels, all equal\n", shown.width, shown.height);
        return true;
    }
    std::printf("%ld of %d x %d pixels differ, within x %d..%d, y %d..%d\n", differing, shown.width,
                shown.height, left, right, top, bottom);
    if (!difference.empty()) {
        writePng(marked, difference);
        std::printf("differences marked in %s\n", difference.c_str());
    }
    return false;
}

int run(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "capture" && argc == 4) {
        DisplayHandle display = openDisplay();
        writePng(readWindow(display.get(), parseWindow(display.get(), argv[2])), argv[3]);
        return 0;
    }
    if (command == "compare" && (argc == 4 || argc == 5)) {
        const Picture expected = readPng(argv[3]);
        DisplayHandle display = openDisplay();
        const Picture shown = readWindow(display.get(), parseWindow(display.get(), argv[2]));
        return comparePictures(shown, expected, argc == 5 ? argv[4] : "") ? 0 : 1;
    }
    std::fprintf(stderr, "usage: ardour_window_check capture WINDOW OUTPUT.png\n"
                         "       ardour_window_check compare WINDOW EXPECTED.png "
                         "[DIFFERENCE.png]\n");
    return 2;
}

} // namespace
} // namespace stepveil::ardourcheck

int main(int argc, char** argv) {
    try {
        return stepveil::ardourcheck::run(argc, argv);
    } catch (const stepveil::ardourcheck::Failure& failure) {
        std::fprintf(stderr, "ardour_window_check: %s\n", failure.what());
        return 2;
    }
}
