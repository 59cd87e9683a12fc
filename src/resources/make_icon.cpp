// Draws the application icon (a framed landscape with a red and a cyan
// edge, for the anaglyph view) and writes it as a .ico file with several
// 32-bit sizes. Runs on the build machine; the icon is not committed.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Colour {
    double r, g, b, a;
};

Colour over(Colour top, Colour base)
{
    double a = top.a + base.a * (1 - top.a);
    if (a <= 0)
        return {0, 0, 0, 0};
    return {(top.r * top.a + base.r * base.a * (1 - top.a)) / a,
            (top.g * top.a + base.g * base.a * (1 - top.a)) / a,
            (top.b * top.a + base.b * base.a * (1 - top.a)) / a, a};
}

bool insideRoundedSquare(double x, double y, double inset, double radius)
{
    double lo = inset + radius, hi = 1 - inset - radius;
    double dx = x < lo ? lo - x : (x > hi ? x - hi : 0);
    double dy = y < lo ? lo - y : (y > hi ? y - hi : 0);
    return x >= inset && x <= 1 - inset && y >= inset && y <= 1 - inset && dx * dx + dy * dy <= radius * radius;
}

// Colour of the icon at (x, y) in the unit square, y downwards.
Colour sample(double x, double y)
{
    Colour result{0, 0, 0, 0};
    if (insideRoundedSquare(x + 0.025, y, 0.06, 0.14))
        result = over({0.95, 0.15, 0.2, 1}, result);
    if (insideRoundedSquare(x - 0.025, y, 0.06, 0.14))
        result = over({0.1, 0.85, 0.95, 1}, result);
    if (!insideRoundedSquare(x, y, 0.1, 0.12))
        return result;
    Colour picture{0.08, 0.09, 0.12, 1};
    double sky = 0.18 + 0.25 * y;
    picture = {sky * 0.5, sky * 0.7, sky + 0.25, 1};
    double sunX = 0.68, sunY = 0.34;
    if ((x - sunX) * (x - sunX) + (y - sunY) * (y - sunY) < 0.09 * 0.09)
        picture = {1.0, 0.85, 0.35, 1};
    double ridge1 = 0.78 - 0.38 * std::fmax(0, 1 - std::fabs(x - 0.38) / 0.32);
    double ridge2 = 0.84 - 0.22 * std::fmax(0, 1 - std::fabs(x - 0.72) / 0.26);
    if (y > ridge2)
        picture = {0.12, 0.42, 0.3, 1};
    if (y > ridge1)
        picture = {0.16, 0.55, 0.36, 1};
    return over(picture, result);
}

std::vector<uint8_t> drawBgra(int size)
{
    const int samples = 4;
    std::vector<uint8_t> pixels(size_t(size) * size * 4);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx) {
                    Colour c = sample((column + (sx + 0.5) / samples) / size, (row + (sy + 0.5) / samples) / size);
                    r += c.r * c.a; g += c.g * c.a; b += c.b * c.a; a += c.a;
                }
            double n = samples * samples;
            uint8_t* p = &pixels[(size_t(size - 1 - row) * size + column) * 4];  // bottom-up rows
            auto channel = [&](double premultiplied) {
                return uint8_t(a > 0 ? std::lround(std::fmin(1.0, premultiplied / a) * 255) : 0);
            };
            p[0] = channel(b); p[1] = channel(g); p[2] = channel(r);
            p[3] = uint8_t(std::lround(a / n * 255));
        }
    }
    return pixels;
}

void put16(std::vector<uint8_t>& out, unsigned v) { out.push_back(v & 0xFF); out.push_back((v >> 8) & 0xFF); }
void put32(std::vector<uint8_t>& out, uint32_t v) { put16(out, v & 0xFFFF); put16(out, v >> 16); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 2;
    }
    const int sizes[] = {16, 24, 32, 48, 64};
    const int count = sizeof sizes / sizeof sizes[0];
    std::vector<std::vector<uint8_t>> images;
    for (int size : sizes) {
        std::vector<uint8_t> image;
        put32(image, 40); put32(image, size); put32(image, size * 2);  // height covers XOR and AND masks
        put16(image, 1); put16(image, 32);
        for (int i = 0; i < 6; ++i) put32(image, 0);
        std::vector<uint8_t> bgra = drawBgra(size);
        image.insert(image.end(), bgra.begin(), bgra.end());
        int maskRow = ((size + 31) / 32) * 4;
        image.insert(image.end(), size_t(maskRow) * size, 0);
        images.push_back(image);
    }
    std::vector<uint8_t> file;
    put16(file, 0); put16(file, 1); put16(file, count);
    uint32_t offset = 6 + 16 * count;
    for (int i = 0; i < count; ++i) {
        file.push_back(uint8_t(sizes[i])); file.push_back(uint8_t(sizes[i]));
        file.push_back(0); file.push_back(0);
        put16(file, 1); put16(file, 32);
        put32(file, uint32_t(images[i].size())); put32(file, offset);
        offset += uint32_t(images[i].size());
    }
    for (const auto& image : images)
        file.insert(file.end(), image.begin(), image.end());
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
