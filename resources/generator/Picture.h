// A picture being drawn by the bitmap generator: RGB pixels with a few drawing helpers, and
// writing it out as a .bmp file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

Colour mix(Colour from, Colour to, double amount);

class Picture {
public:
    Picture(int width, int height, Colour background);

    int width() const { return pictureWidth; }
    int height() const { return pictureHeight; }
    Colour pixel(int x, int y) const;
    void set(int x, int y, Colour colour); // ignores pixels outside the picture

    // Rectangles with exclusive right and bottom edges.
    void fill(int left, int top, int right, int bottom, Colour colour);
    void verticalGradient(int left, int top, int right, int bottom, Colour from, Colour to);
    // A one-pixel frame just inside the rectangle: light on top and left, dark below and
    // right, so the inside reads as raised (or sunken, with the colours swapped).
    void bevel(int left, int top, int right, int bottom, Colour light, Colour dark);

    // 24 bits per pixel, bottom-up rows, as Win32 and its resource compiler expect.
    bool save24(const std::string& path) const;
    // 8 bits per pixel with the given palette; every pixel must be one of its colours.
    bool save8(const std::string& path, const std::vector<Colour>& palette) const;

private:
    int pictureWidth;
    int pictureHeight;
    std::vector<Colour> pixels;
};
