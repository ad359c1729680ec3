#include "Artwork.h"

#include "PixelFont.h"

#include <string>

namespace {

// The editor's geometry: 32 columns of 16 pixels from column 25, sliders from row 48, value
// cells down to row 152; 8 steps make one beat of a 4/4 bar.
constexpr int editorWidth = 562;
constexpr int editorHeight = 200;
constexpr int bandLeft = 25;
constexpr int bandRight = 537;
constexpr int bandTop = 48;
constexpr int bandBottom = 152;
constexpr int columnWidth = 16;
constexpr int stepCount = 32;
constexpr int stepsPerBeat = 8;

const Colour panelTop{0x36, 0x3A, 0x42};
const Colour panelBottom{0x22, 0x25, 0x2B};
const Colour edgeLight{0x50, 0x55, 0x5F};
const Colour edgeDark{0x12, 0x13, 0x16};
const Colour bandColour{0x1A, 0x1C, 0x21};
const Colour accent{0xE8, 0xA3, 0x3D};
const Colour labelBright{0xC8, 0xCC, 0xD3};
const Colour labelDim{0x7C, 0x82, 0x8C};
const Colour markColour{0x5A, 0x60, 0x6B};

int columnCentre(int step) {
    return bandLeft + step * columnWidth + columnWidth / 2;
}

void drawTitle(Picture& picture) {
    const std::string title = "STEPVEIL";
    drawText(picture, title, bandLeft + 1, 7, edgeDark, FontSize::Large, 3);
    drawText(picture, title, bandLeft, 6, accent, FontSize::Large, 3);
    const std::string subtitle = "32-STEP GATE";
    int subtitleLeft = bandRight + 1 - textWidth(subtitle, FontSize::Large);
    drawText(picture, subtitle, subtitleLeft, 20, labelBright, FontSize::Large);
    // An engraved rule under the header.
    picture.fill(bandLeft, 30, bandRight + 1, 31, edgeDark);
    picture.fill(bandLeft, 31, bandRight + 1, 32, edgeLight);
}

// Step numbers over the columns, brightest where a beat starts, bright on the half beats;
// ticks of matching height just above the band.
void drawStepRuler(Picture& picture) {
    for (int step = 0; step < stepCount; ++step) {
        bool beatStart = step % stepsPerBeat == 0;
        bool halfBeat = step % (stepsPerBeat / 2) == 0;
        Colour colour = beatStart ? accent : halfBeat ? labelBright : labelDim;
        std::string number = std::to_string(step + 1);
        int left = columnCentre(step) - textWidth(number, FontSize::Small) / 2;
        drawText(picture, number, left, 36, colour, FontSize::Small);
        int tickTop = beatStart ? 42 : halfBeat ? 43 : 45;
        picture.fill(columnCentre(step), tickTop, columnCentre(step) + 1, 46,
                     beatStart ? accent : markColour);
    }
}

// The sunken band the sliders and value cells sit in.
void drawBand(Picture& picture) {
    picture.fill(bandLeft, bandTop, bandRight + 1, bandBottom + 1, bandColour);
    picture.bevel(bandLeft - 1, bandTop - 1, bandRight + 2, bandBottom + 2, edgeDark, edgeLight);
}

// Brackets under each beat of the bar, with the beat's number.
void drawBeatBrackets(Picture& picture) {
    const int beatWidth = columnWidth * stepsPerBeat;
    for (int beat = 0; beat < stepCount / stepsPerBeat; ++beat) {
        int left = bandLeft + beat * beatWidth + 3;
        int right = left + beatWidth - 6;
        picture.fill(left, 160, right, 161, markColour);
        picture.fill(left, 157, left + 1, 161, markColour);
        picture.fill(right - 1, 157, right, 161, markColour);
        std::string label = "BEAT " + std::to_string(beat + 1);
        int labelLeft = (left + right) / 2 - textWidth(label, FontSize::Large) / 2;
        picture.fill(labelLeft - 4, 160, labelLeft + textWidth(label, FontSize::Large) + 4, 161,
                     picture.pixel(labelLeft - 5, 159));
        drawText(picture, label, labelLeft, 157, beat == 0 ? accent : labelBright, FontSize::Large);
    }
}

void drawFooter(Picture& picture) {
    drawText(picture, "LEVEL PER STEP - 1 BAR", bandLeft, 180, labelDim, FontSize::Large);
    const std::string version = "1.0";
    drawText(picture, version, bandRight + 1 - textWidth(version, FontSize::Large), 180, labelDim,
             FontSize::Large);
}

} // namespace

Picture drawBackground() {
    Picture picture(editorWidth, editorHeight, panelBottom);
    picture.verticalGradient(0, 0, editorWidth, editorHeight, panelTop, panelBottom);
    picture.bevel(0, 0, editorWidth, editorHeight, edgeLight, edgeDark);
    drawTitle(picture);
    drawStepRuler(picture);
    drawBand(picture);
    drawBeatBrackets(picture);
    drawFooter(picture);
    return picture;
}

Picture drawTrack() {
    const Colour edge{0x6E, 0x73, 0x7B};
    const Colour face{0xA4, 0xA9, 0xB1};
    const Colour faceShade{0x94, 0x99, 0xA1};
    const Colour grooveShade{0x5E, 0x63, 0x6B};
    const Colour groove{0x2C, 0x2F, 0x35};
    const Colour tick{0x7E, 0x83, 0x8B};
    Picture picture(16, 89, face);
    picture.fill(1, 0, 3, 89, faceShade);
    picture.fill(13, 0, 15, 89, faceShade);
    picture.fill(0, 0, 1, 89, edge);
    picture.fill(15, 0, 16, 89, edge);
    picture.fill(6, 2, 7, 87, grooveShade);
    picture.fill(9, 2, 10, 87, grooveShade);
    picture.fill(7, 2, 9, 87, groove);
    // Marks where the handle's middle sits at levels 1, 3/4, 1/2, 1/4 and 0.
    for (int row : {6, 25, 44, 63, 82}) {
        picture.fill(2, row, 5, row + 1, tick);
        picture.fill(11, row, 14, row + 1, tick);
    }
    return picture;
}

std::vector<Colour> handlePalette() {
    std::vector<Colour> palette;
    for (int index = 0; index < 12; ++index) {
        auto level = static_cast<std::uint8_t>(255 - (255 * index + 5) / 11);
        palette.push_back(Colour{level, level, level});
    }
    return palette;
}

Picture drawHandle() {
    const std::vector<Colour> grey = handlePalette();
    Picture picture(14, 12, grey[3]);
    picture.fill(1, 1, 13, 2, grey[1]);   // lit top
    picture.fill(1, 1, 2, 11, grey[2]);   // lit left
    picture.fill(12, 1, 13, 11, grey[5]); // shaded right
    picture.fill(1, 10, 13, 11, grey[6]); // shaded bottom
    picture.bevel(0, 0, 14, 12, grey[9], grey[10]);
    for (int row : {3, 5, 7}) {
        picture.fill(3, row, 11, row + 1, grey[8]);
        picture.fill(3, row + 1, 11, row + 2, grey[1]);
    }
    // Rounded corners: white is transparent, so the track shows there.
    for (auto [x, y] : {std::pair{0, 0}, std::pair{13, 0}, std::pair{0, 11}, std::pair{13, 11}}) {
        picture.set(x, y, grey[0]);
    }
    return picture;
}
