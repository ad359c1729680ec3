#include "PixelFont.h"

#include <array>
#include <map>

namespace {

using Glyph = std::array<const char*, 7>;

const std::map<char, Glyph>& largeGlyphs() {
    static const std::map<char, Glyph> glyphs{
        {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
        {'B', {"#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "}},
        {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
        {'G', {" ####", "#    ", "#    ", "#  ##", "#   #", "#   #", " ### "}},
        {'I', {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
        {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
        {'P', {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "}},
        {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
        {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
        {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
        {'V', {"#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "}},
        {'0', {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "}},
        {'1', {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
        {'2', {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"}},
        {'3', {"#### ", "    #", "    #", " ### ", "    #", "    #", "#### "}},
        {'4', {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "}},
        {'5', {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "}},
        {'6', {" ### ", "#    ", "#    ", "#### ", "#   #", "#   #", " ### "}},
        {'7', {"#####", "    #", "   # ", "  #  ", "  #  ", "  #  ", "  #  "}},
        {'8', {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "}},
        {'9', {" ### ", "#   #", "#   #", " ####", "    #", "    #", " ### "}},
        {'-', {"     ", "     ", "     ", " ### ", "     ", "     ", "     "}},
        {'.', {"     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "}},
        {'/', {"    #", "    #", "   # ", "  #  ", " #   ", "#    ", "#    "}},
    };
    return glyphs;
}

const std::map<char, std::array<const char*, 5>>& smallGlyphs() {
    static const std::map<char, std::array<const char*, 5>> glyphs{
        {'0', {"###", "# #", "# #", "# #", "###"}}, {'1', {" # ", "## ", " # ", " # ", "###"}},
        {'2', {"###", "  #", "###", "#  ", "###"}}, {'3', {"###", "  #", "###", "  #", "###"}},
        {'4', {"# #", "# #", "###", "  #", "  #"}}, {'5', {"###", "#  ", "###", "  #", "###"}},
        {'6', {"###", "#  ", "###", "# #", "###"}}, {'7', {"###", "  #", "  #", "  #", "  #"}},
        {'8', {"###", "# #", "###", "# #", "###"}}, {'9', {"###", "# #", "###", "  #", "###"}},
    };
    return glyphs;
}

int glyphWidth(FontSize size) {
    return size == FontSize::Large ? 5 : 3;
}

template <typename Rows>
void drawGlyph(Picture& picture, const Rows& rows, int x, int y, Colour colour, int scale) {
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (int column = 0; rows[row][column] != '\0'; ++column) {
            if (rows[row][column] != '#') {
                continue;
            }
            int top = y + static_cast<int>(row) * scale;
            int left = x + column * scale;
            picture.fill(left, top, left + scale, top + scale, colour);
        }
    }
}

} // namespace

int textWidth(const std::string& text, FontSize size, int scale) {
    if (text.empty()) {
        return 0;
    }
    int characters = static_cast<int>(text.size());
    return (characters * (glyphWidth(size) + 1) - 1) * scale;
}

void drawText(Picture& picture, const std::string& text, int x, int y, Colour colour, FontSize size,
              int scale) {
    for (char character : text) {
        if (size == FontSize::Large) {
            auto found = largeGlyphs().find(character);
            if (found != largeGlyphs().end()) {
                drawGlyph(picture, found->second, x, y, colour, scale);
            }
        } else {
            auto found = smallGlyphs().find(character);
            if (found != smallGlyphs().end()) {
                drawGlyph(picture, found->second, x, y, colour, scale);
            }
        }
        x += (glyphWidth(size) + 1) * scale;
    }
}
