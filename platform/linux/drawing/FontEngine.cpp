#include "platform/linux/drawing/FontEngine.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>

namespace stepveil::platform {

namespace {

// The face a LOGFONTA asks for, reduced to what chooses and sizes it.
struct FontRequest {
    std::string family;
    int pitchAndFamily;
    int height;
    bool bold;
    bool italic;
    bool underline;

    bool operator<(const FontRequest& other) const {
        return std::tie(family, pitchAndFamily, height, bold, italic, underline) <
               std::tie(other.family, other.pitchAndFamily, other.height, other.bold, other.italic,
                        other.underline);
    }
};

// The font libraries' state, owned by the plug-in and given back when it is unloaded: a host
// may load and unload the plug-in many times. Fontconfig gets a configuration of our own, so
// that neither its use nor its release touches the one the host itself may be using.
class FontLibraries {
public:
    FontLibraries() {
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
        }
        configuration = FcInitLoadConfigAndFonts();
        keepFontconfigLoaded();
    }
    FontLibraries(const FontLibraries&) = delete;
    FontLibraries& operator=(const FontLibraries&) = delete;
    ~FontLibraries() {
        // The faces belong to the library: they go first.
        cache.clear();
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
        if (configuration != nullptr) {
            FcConfigDestroy(configuration);
        }
    }

    bool ready() const { return library != nullptr && configuration != nullptr; }

    // Fontconfig keeps process-wide tables that only FcFini gives back, and a plug-in must not
    // call that: its host may be using fontconfig too. Unloaded together with the plug-in they
    // would be lost at every unload; pinned, they are set up once per process and stay in use.
    static void keepFontconfigLoaded() {
        Dl_info where{};
        if (dladdr(reinterpret_cast<void*>(&FcInitLoadConfigAndFonts), &where) != 0 &&
            where.dli_fname != nullptr) {
            dlopen(where.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        }
    }

    FT_Library library = nullptr;
    FcConfig* configuration = nullptr;
    std::map<FontRequest, std::shared_ptr<RealizedFont>> cache;
};

FontLibraries& fontLibraries() {
    static FontLibraries libraries;
    return libraries;
}

struct FaceFile {
    std::string family;
    std::string path;
    int index = 0;
    bool bold = false;
    bool italic = false;
};

bool findFaceFile(const std::string& family, const FontRequest& request, FaceFile& found) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(fontLibraries().configuration, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(fontLibraries().configuration, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return false;
    }
    FcChar8* file = nullptr;
    FcChar8* matchedFamily = nullptr;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (ok) {
        found.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch) {
            found.family = reinterpret_cast<const char*>(matchedFamily);
        }
        FcPatternGetInteger(match, FC_INDEX, 0, &found.index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        found.bold = weight >= FC_WEIGHT_DEMIBOLD;
        found.italic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return ok;
}

bool sameName(const std::string& first, const std::string& second) {
    return first.size() == second.size() &&
           std::equal(first.begin(), first.end(), second.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// Faces of the same metrics that stand in for Windows' own; fontconfig offers them under
// the Windows names, and Wine uses them too.
bool isStandIn(const std::string& requested, const std::string& found) {
    static const std::pair<const char*, const char*> standIns[] = {
        {"Arial", "Liberation Sans"},
        {"Arial", "Arimo"},
        {"Times New Roman", "Liberation Serif"},
        {"Times New Roman", "Tinos"},
        {"Courier New", "Liberation Mono"},
        {"Courier New", "Cousine"},
    };
    for (const auto& [windowsName, standIn] : standIns) {
        if (sameName(requested, windowsName) && sameName(found, standIn)) {
            return true;
        }
    }
    return false;
}

// The face GDI falls back to when the named one is missing, chosen by the family bits of
// lfPitchAndFamily.
const char* fallbackFamily(int pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case 0x10: // FF_ROMAN
        return "Times New Roman";
    case 0x30: // FF_MODERN
        return "Courier New";
    default:
        return "Arial";
    }
}

// Fontconfig always answers with some face; like GDI, take it only when it is the face asked
// for (or its stand-in), and otherwise the fallback face for the request's family.
bool resolveFace(const FontRequest& request, FaceFile& found) {
    if (findFaceFile(request.family, request, found) &&
        (sameName(found.family, request.family) || isStandIn(request.family, found.family))) {
        return true;
    }
    return findFaceFile(fallbackFamily(request.pitchAndFamily), request, found);
}

class FreeTypeFont : public RealizedFont {
public:
    FreeTypeFont(FT_Face loadedFace, const FontRequest& request, const FaceFile& file)
        : face(loadedFace), emboldened(request.bold && !file.bold),
          slanted(request.italic && !file.italic), underlined(request.underline) {
        setSize(request.height);
        symbolEncoded = FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 &&
                        FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0;
    }
    FreeTypeFont(const FreeTypeFont&) = delete;
    FreeTypeFont& operator=(const FreeTypeFont&) = delete;
    ~FreeTypeFont() override { FT_Done_Face(face); }

    int ascent() const override { return ascentPixels; }
    int descent() const override { return descentPixels; }
    int underlinePosition() const override { return underlinePixels; }
    int underlineThickness() const override { return underlineThicknessPixels; }
    bool underline() const override { return underlined; }

    const Glyph& glyph(char32_t character) override {
        auto found = glyphs.find(character);
        if (found != glyphs.end()) {
            return found->second;
        }
        return glyphs[character] = render(character);
    }

private:
    // A negative height asks for the character height (the em), a positive one for the cell
    // height (ascent plus descent), as in LOGFONTA.
    void setSize(int height) {
        const TT_OS2* metrics = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        double unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048.0;
        double ascentUnits = metrics ? metrics->usWinAscent : face->ascender;
        double descentUnits = metrics ? metrics->usWinDescent : -face->descender;
        if (height == 0) {
            height = -12;
        }
        double em = height < 0 ? -height : height * unitsPerEm / (ascentUnits + descentUnits);
        unsigned pixels = static_cast<unsigned>(std::lround(std::max(em, 1.0)));
        FT_Set_Pixel_Sizes(face, 0, pixels);
        double scale = pixels / unitsPerEm;
        ascentPixels = static_cast<int>(std::lround(ascentUnits * scale));
        descentPixels = static_cast<int>(std::lround(descentUnits * scale));
        underlinePixels = static_cast<int>(std::lround(-face->underline_position * scale));
        underlineThicknessPixels =
            std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    }

    Glyph render(char32_t character) {
        Glyph result;
        FT_ULong code = character;
        if (symbolEncoded && character < 0x100) {
            code = 0xF000 + character;
        }
        FT_UInt index = FT_Get_Char_Index(face, code);
        if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0) {
            return result;
        }
        FT_GlyphSlot slot = face->glyph;
        if (slanted && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_GlyphSlot_Oblique(slot);
        }
        if (emboldened) {
            FT_GlyphSlot_Embolden(slot);
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) {
            return result;
        }
        // The design advance rounded to whole pixels, not the hinted one: the widths GDI
        // gives for faces without device metrics (no hdmx table).
        result.advance =
            static_cast<int>(std::lround(static_cast<double>(slot->linearHoriAdvance) / 65536.0));
        result.left = slot->bitmap_left;
        result.top = slot->bitmap_top;
        result.width = static_cast<int>(slot->bitmap.width);
        result.height = static_cast<int>(slot->bitmap.rows);
        result.coverage.resize(static_cast<std::size_t>(result.width) *
                               static_cast<std::size_t>(result.height));
        for (int row = 0; row < result.height; ++row) {
            const unsigned char* bits = slot->bitmap.buffer + row * slot->bitmap.pitch;
            for (int column = 0; column < result.width; ++column) {
                result.coverage[static_cast<std::size_t>(row * result.width + column)] =
                    static_cast<std::uint8_t>((bits[column / 8] >> (7 - column % 8)) & 1);
            }
        }
        return result;
    }

    FT_Face face;
    bool emboldened;
    bool slanted;
    bool underlined;
    bool symbolEncoded = false;
    int ascentPixels = 0;
    int descentPixels = 0;
    int underlinePixels = 0;
    int underlineThicknessPixels = 1;
    std::unordered_map<char32_t, Glyph> glyphs;
};

std::shared_ptr<RealizedFont> loadFont(const FontRequest& request) {
    if (!fontLibraries().ready()) {
        return nullptr;
    }
    FaceFile file;
    if (!resolveFace(request, file)) {
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(fontLibraries().library, file.path.c_str(), file.index, &face) != 0) {
        return nullptr;
    }
    return std::make_shared<FreeTypeFont>(face, request, file);
}

} // namespace

std::shared_ptr<RealizedFont> realizeFont(const LOGFONTA& description) {
    auto& fonts = fontLibraries().cache;
    char family[LF_FACESIZE + 1] = {};
    std::memcpy(family, description.lfFaceName, LF_FACESIZE);
    FontRequest request{family[0] != '\0' ? family : "Arial",
                        description.lfPitchAndFamily,
                        static_cast<int>(description.lfHeight),
                        description.lfWeight >= 600,
                        description.lfItalic != 0,
                        description.lfUnderline != 0};
    auto found = fonts.find(request);
    if (found != fonts.end()) {
        return found->second;
    }
    auto font = loadFont(request);
    if (font) {
        fonts[request] = font;
    }
    return font;
}

} // namespace stepveil::platform
