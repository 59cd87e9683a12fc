#include "to_anaglyph.h"

#include <cstdint>
#include <cstdio>

#include "picture/anaglyph.h"
#include "picture/stereo_names.h"

namespace {

// The stereo name tests look at ASCII characters only, so each byte of the
// path is widened on its own: ASCII characters keep their places and no
// byte of a longer UTF-8 sequence becomes one.
std::u16string widenPath(const std::string& path)
{
    std::u16string wide;
    for (const char c : path)
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return wide;
}

}  // namespace

bool composeAnaglyphOf(Picture& picture, const std::string& inputPath, std::string& error)
{
    if (picture.width <= 0 || picture.height <= 0) {
        error = "the picture has no pixels (width or height 0) to compose an anaglyph from";
        return false;
    }
    picture.normaliseTo24();
    if (picture.bitsPerPixel != 24) {
        error = "not enough memory to bring the picture to 24 bits";
        return false;
    }
    const std::u16string path = widenPath(inputPath);
    const StereoChoice choice = chooseStereoLayout(path.c_str(), picture.width);
    const bool single = choice.layout == StereoLayout::singleView;
    if (single && (isStereoName(path.c_str()) || isCrossStereoName(path.c_str())))
        std::fprintf(stderr, "qdlconv: note: a stereo pair needs an even width; this %d-pixel wide picture is "
                     "composed as a single view\n", picture.width);
    const int32_t width = single ? picture.width - 2 * choice.shift : picture.width / 2;
    composeAnaglyph(picture, path.c_str());
    // The composition leaves a step undone when memory runs out; the
    // result's depth and width show whether every step ran.
    if (picture.bitsPerPixel != 32 || picture.width != width) {
        error = "not enough memory to compose the anaglyph";
        return false;
    }
    return true;
}
