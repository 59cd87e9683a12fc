// Draws the three overlay button images (a green triangle pointing right, the
// same pointing left, a grey cross with lighter edges) and writes each as a
// 40 x 40 32-bit BMP: bottom-up rows of blue, green, red, alpha, with the
// colour premultiplied by alpha, as UpdateLayeredWindow takes them. Runs on
// the build machine; the images are not committed.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int imageSize = 40;
constexpr int samplesPerAxis = 6;

struct Colour {
    double r, g, b, a;  // straight (not premultiplied), 0..1
};

struct Point {
    double x, y;
};

// Porter-Duff "over" in premultiplied form, returned straight.
Colour over(Colour top, Colour base)
{
    const double a = top.a + base.a * (1 - top.a);
    if (a <= 0)
        return {0, 0, 0, 0};
    auto mix = [&](double t, double b) { return (t * top.a + b * base.a * (1 - top.a)) / a; };
    return {mix(top.r, base.r), mix(top.g, base.g), mix(top.b, base.b), a};
}

// Signed distance from p to a convex polygon given clockwise on screen
// (y down): negative inside. Exact inside, close enough outside for a shadow.
double convexDistance(Point p, const std::vector<Point>& corners)
{
    double distance = -1e9;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Point a = corners[i], b = corners[(i + 1) % corners.size()];
        const double ex = b.x - a.x, ey = b.y - a.y, length = std::hypot(ex, ey);
        distance = std::max(distance, ((p.x - a.x) * ey - (p.y - a.y) * ex) / length);
    }
    return distance;
}

double segmentDistance(Point p, Point a, Point b)
{
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double t = std::clamp(((p.x - a.x) * ex + (p.y - a.y) * ey) / (ex * ex + ey * ey), 0.0, 1.0);
    return std::hypot(p.x - a.x - t * ex, p.y - a.y - t * ey);
}

// Signed distance to the shape of a button, in pixels.
using Shape = double (*)(Point);

double rightTriangle(Point p) { return convexDistance(p, {{13, 9}, {31, 20}, {13, 31}}); }

double leftTriangle(Point p) { return rightTriangle({imageSize - p.x, p.y}); }

double cross(Point p)
{
    const double radius = 3.6;
    return std::min(segmentDistance(p, {12.5, 12.5}, {27.5, 27.5}), segmentDistance(p, {27.5, 12.5}, {12.5, 27.5}))
           - radius;
}

// A soft dark shadow below and right of the shape keeps it readable on
// light pictures.
Colour shadowAt(Shape shape, Point p)
{
    const double d = shape({p.x - 1.0, p.y - 1.5});
    return {0, 0, 0, 0.45 * std::clamp(1 - d / 2.0, 0.0, 1.0)};
}

Colour arrowAt(Shape shape, Point p)
{
    const double d = shape(p);
    Colour result = shadowAt(shape, p);
    if (d >= 0)
        return result;
    // Green, lighter at the top and darker at the bottom, with a darker rim.
    double shade = 1.3 - 0.55 * std::clamp((p.y - 9) / 22, 0.0, 1.0);
    if (d > -1.3)
        shade *= 0.62;
    const Colour green{42 / 255.0 * shade, std::min(1.0, 150 / 255.0 * shade), 50 / 255.0 * shade, 1};
    return over(green, result);
}

Colour crossAt(Shape shape, Point p)
{
    const double d = shape(p);
    Colour result = shadowAt(shape, p);
    if (d >= 0)
        return result;
    const double grey = (d > -1.3 ? 218 : 162) / 255.0;
    return over({grey, grey, grey, 1}, result);
}

// Bottom-up BGRA rows, premultiplied, each pixel the mean of
// samplesPerAxis^2 samples.
std::vector<uint8_t> drawButton(Colour (*paint)(Shape, Point), Shape shape)
{
    std::vector<uint8_t> pixels(size_t(imageSize) * imageSize * 4);
    for (int row = 0; row < imageSize; ++row)
        for (int column = 0; column < imageSize; ++column) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < samplesPerAxis; ++sy)
                for (int sx = 0; sx < samplesPerAxis; ++sx) {
                    const Colour c = paint(shape, {column + (sx + 0.5) / samplesPerAxis,
                                                   row + (sy + 0.5) / samplesPerAxis});
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            const double n = samplesPerAxis * samplesPerAxis;
            uint8_t* p = &pixels[(size_t(imageSize - 1 - row) * imageSize + column) * 4];
            auto byte = [n](double sum) { return uint8_t(std::lround(std::clamp(sum / n, 0.0, 1.0) * 255)); };
            p[0] = byte(b);
            p[1] = byte(g);
            p[2] = byte(r);
            p[3] = byte(a);
        }
    return pixels;
}

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

bool writeBmp(const std::string& path, const std::vector<uint8_t>& pixels)
{
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    put32(file, uint32_t(14 + 40 + pixels.size()));  // file size
    put32(file, 0);                                  // reserved
    put32(file, 14 + 40);                            // offset of the pixels
    put32(file, 40);                                 // BITMAPINFOHEADER size
    put32(file, imageSize);                          // width
    put32(file, imageSize);                          // height, positive: bottom-up
    put16(file, 1);                                  // planes
    put16(file, 32);                                 // bits per pixel
    put32(file, 0);                                  // BI_RGB
    put32(file, uint32_t(pixels.size()));            // image size
    put32(file, 2835);                               // 72 dpi horizontally
    put32(file, 2835);                               // and vertically
    put32(file, 0);                                  // no palette
    put32(file, 0);
    file.insert(file.end(), pixels.begin(), pixels.end());
    FILE* out = std::fopen(path.c_str(), "wb");
    bool ok = out != nullptr && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out != nullptr && std::fclose(out) != 0)
        ok = false;
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_buttons OUTPUT-DIRECTORY\n");
        return 2;
    }
    const std::string directory = std::string(argv[1]) + "/";
    const struct {
        const char* name;
        Colour (*paint)(Shape, Point);
        Shape shape;
    } buttons[] = {
        {"next_button.bmp", arrowAt, rightTriangle},
        {"prev_button.bmp", arrowAt, leftTriangle},
        {"close_button.bmp", crossAt, cross},
    };
    for (const auto& button : buttons)
        if (!writeBmp(directory + button.name, drawButton(button.paint, button.shape))) {
            std::fprintf(stderr, "make_buttons: cannot write %s%s\n", directory.c_str(), button.name);
            return 1;
        }
    return 0;
}
